// Runs one random project through a build of the library and through the
// reference, in identical copies of host memory, and reports the first
// difference in results, messages or host bytes.  Orientation runs the
// library's own on both sides, only to keep the two copies alike.
#pragma once

#include <cstdint>
#include <string>

#include "hostkit/module_loader.h"
#include "tests/support/random_project.h"

namespace min_lumo_test {

using EntryPoints = min_lumo_kit::LibraryEntryPoints;

// Empty when the library and the reference agree on everything for the
// project of `seed` and the call sequence that the seed picks; otherwise
// what differed first, with the seed.
std::string Compare_With_Reference(const EntryPoints& library, uint64_t seed,
                                   const RandomProjectOptions& options = {});

// How many projects a differential run covers: the environment variable
// MIN_LUMO_DIFFERENTIAL_PROJECTS when set, else 2000 (200 on Windows, where
// the tests run emulated).
int32_t Differential_Project_Count();

}  // namespace min_lumo_test
