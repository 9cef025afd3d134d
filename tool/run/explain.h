// The reason for each minimisation decision, in a surveyor's words.  Derived
// after the fact from the decided tables: final states, the selected
// observations at each end station, and which end could spare a rejection.
#pragma once

#include "hostkit/project_model.h"
#include "tool/run/minimise_run.h"

namespace min_lumo_tool {

// Fills the `reason` of every observation of `result`.
void Explain_Decisions(const min_lumo_kit::Project& before, MinimiseResult& result);

}  // namespace min_lumo_tool
