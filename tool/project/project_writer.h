// Writing the project model as a project file.  Fields that equal what the
// reader would fill in by default are left out, so a written file reads back
// into exactly the same records and stays short.
#pragma once

#include "hostkit/project_model.h"
#include <string>


namespace min_lumo_tool {

// The project file text, indented, ending in a line end.
std::string Project_Text(const min_lumo_kit::Project& project);

}  // namespace min_lumo_tool
