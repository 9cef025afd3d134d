#include "network/time_network.h"

namespace min_lumo {

void Release_Time_Networks() {}

}  // namespace min_lumo
