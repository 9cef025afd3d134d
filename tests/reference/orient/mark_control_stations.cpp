#include "tests/reference/orient/mark_control_stations.h"

#include "host/host_records.h"
#include "tests/reference/orient/names_match.h"
#include "tests/reference/orient/station_tree.h"

namespace min_lumo {}
namespace min_lumo_reference {
using namespace ::min_lumo;

namespace {

constexpr int32_t ControlStationLevel = 0;

bool Control_Names_Station(ControlRef control, StationRef station) {
    return Names_Match(Text_Field(control, control::name), control::name.capacity,
                       Text_Field(station, station::name), station::name.capacity);
}

// Marks every station control k names; true when it named at least one.
bool Mark_Stations_Of_Control(const ProjectHeader* project, int32_t k) {
    const ControlRef control = Locate_Control(project, k);
    bool marked = false;
    for (int32_t i = 0; i < project->stationCount; ++i) {
        if (!Control_Names_Station(control, Locate_Station(project, i))) continue;
        Join_Tree(project, i, ControlStationLevel, k);
        marked = true;
    }
    return marked;
}

}  // namespace

bool Mark_Control_Stations(const ProjectHeader* project) {
    bool marked = false;
    for (int32_t k = 0; k < project->controlCount; ++k) {
        if (Read_Field(Locate_Control(project, k), control::inactive) != 0) continue;
        if (Mark_Stations_Of_Control(project, k)) marked = true;
    }
    return marked;
}

}  // namespace min_lumo_reference
