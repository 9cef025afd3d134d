// GoogleTest names made from readable case descriptions.
#pragma once

#include <string>
#include <string_view>

namespace min_lumo_test {

// `description` with every character but letters and digits turned into an
// underscore, one for one: GoogleTest accepts nothing else in a name.
std::string Test_Name(std::string_view description);

}  // namespace min_lumo_test
