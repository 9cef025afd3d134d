#include "tests/support/test_name.h"

#include <cctype>

namespace min_lumo_test {

std::string Test_Name(std::string_view description) {
    std::string name(description);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

}  // namespace min_lumo_test
