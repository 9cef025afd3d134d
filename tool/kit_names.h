// The host kit's names as the tool uses them: the tool speaks the kit's
// record model, lays projects out in the kit's host memory, loads the
// library through the kit and writes the kit's synthetic shapes.
#pragma once

#include "hostkit/host_memory.h"
#include "hostkit/iso_time.h"
#include "hostkit/module_loader.h"
#include "hostkit/project_model.h"
#include "hostkit/shapes.h"

namespace min_lumo_tool {

using min_lumo_kit::Baseline_Ends_Text;
using min_lumo_kit::Default_Label;
using min_lumo_kit::Default_Library_Path;
using min_lumo_kit::Format_Iso_Time;
using min_lumo_kit::Generate_Shape;
using min_lumo_kit::HostMemory;
using min_lumo_kit::labelTokenCount;
using min_lumo_kit::longestLabelToken;
using min_lumo_kit::Parse_Iso_Time;
using min_lumo_kit::Project;
using min_lumo_kit::ProjectBaseline;
using min_lumo_kit::ProjectControl;
using min_lumo_kit::ProjectObservation;
using min_lumo_kit::ProjectSource;
using min_lumo_kit::ProjectStation;
using min_lumo_kit::ProjectTime;
using min_lumo_kit::Shape_Names;
using min_lumo_kit::secondsPerMinute;
using min_lumo_kit::ShapeOptions;
using min_lumo_kit::StationBlock;
using min_lumo_kit::Uses_Calendar_Times;

// A build of the library, loaded by file name.
using LoadedLibrary = min_lumo_kit::LoadedModule;

}  // namespace min_lumo_tool
