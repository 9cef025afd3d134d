// The plan as processing reads it: the kept observations in the plan's
// order and direction, each with the receiver files and antennas at its two
// ends and its common time window, and the stations with what is known of
// their positions.  The one place where processing reads the campaign and
// the plan, so that a change of either model touches this file alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tool/plan/campaign_project.h"
#include "tool/plan/processing_plan.h"
#include "tool/vectors/processed_vector.h"

namespace min_lumo_tool {

using min_lumo_vectors::EarthCentred;

// One end of an observation: a receiver's data and how its antenna stood.
struct ReceiverEnd {
    int32_t station = -1;  // index into ProcessingOrder::stations
    // The receiver files of this end holding data in the window, in time
    // order, paths as given; empty when the occupation is a line of an
    // occupation log, which holds no data to process.
    std::vector<std::string> files;
    std::vector<std::string> formats;  // each file's format as the reader named it ("RINEX 2.11, gzip")
    // The antenna as the header of the file holding most of the window
    // writes it (ANT # / TYPE, ANTENNA: DELTA H/E/N), and that file.
    std::string antennaType;
    double antennaHeight = 0.0, antennaEast = 0.0, antennaNorth = 0.0;  // metres
    std::string antennaFile;
    // APPROX POSITION XYZ of that file, when it gives one.
    std::optional<EarthCentred> headerPosition;
};

struct OrderedObservation {
    int32_t observation = -1;  // the project's observation index
    std::string label;         // FROM SESSION TO N
    std::string session;       // e.g. 077B
    int32_t network = -1;      // time-network
    int32_t step = 0;          // place in its time-network's processing order, from 1
    int32_t level = -1;        // the baseline's level outward from the controls; -1 when none reaches it
    ReceiverEnd from, to;      // in the processing direction: from is the base
    double startGps = 0.0, endGps = 0.0;  // the common window: first and last common instant, GPS seconds
    double commonSeconds = 0.0;           // common data time
    std::optional<double> lengthMetres;   // between the header positions
};

struct OrderedStation {
    std::string name;
    bool control = false;
    // The mean of the header positions of its occupations, when any gives one.
    std::optional<EarthCentred> headerPosition;
};

struct ProcessingOrder {
    std::vector<OrderedStation> stations;  // by project station index
    // The kept observations of the sessions shown, time-network by
    // time-network, each in its processing order.
    std::vector<OrderedObservation> observations;
    std::vector<std::string> sessions;  // the sessions they belong to, sorted, once each
};

// `plan` must have run (status 0); narrowed to some sessions, the order
// holds only theirs.
ProcessingOrder Processing_Order(const Campaign& campaign, const ProcessingPlan& plan);

}  // namespace min_lumo_tool
