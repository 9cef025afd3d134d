// The clock both benchmarks time with.
#pragma once

#include <ctime>

namespace min_lumo_bench {

inline constexpr double secondsPerNanosecond = 1e-9;

// Processor time of this process, user and system: on a busy machine it
// varies far less than wall-clock time.
inline double Processor_Seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * secondsPerNanosecond;
}

}  // namespace min_lumo_bench
