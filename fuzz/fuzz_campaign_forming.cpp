// Fuzz target for forming a campaign from occupations: the input decodes to
// a set of occupations with arbitrary epochs (runs of even spacing, lone
// epochs, log lines), station names (look-alikes and receiver defaults
// among them), receivers and positions, and to the forming options.
// Nothing may crash; the only exception allowed is CampaignError; every
// occupation read is accounted for (joined into one occupation, or left out
// as a copy of data kept, or without epochs); every span lies within its
// occupation; and every observation's common time lies within both of its
// occupations and is no longer than the time it runs.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "tool/field/epoch_runs.h"
#include "tool/plan/campaign_project.h"
#include "tool/project/validator.h"

namespace {

using min_lumo_field::EpochRun;
using min_lumo_field::Occupation;
using namespace min_lumo_tool;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_campaign_forming: %s\n", what.c_str());
    std::abort();
}

constexpr double firstDayGps = 1715644800.0;  // 2024-05-14 00:00:00 on the GPS time axis
constexpr double slotSeconds = 15.0;
constexpr int32_t mostOccupations = 24;
const char* const stationNames[] = {"BASE", "base", "ROV1", "ROV1_01", "SITE", "P433", "A", "B"};
const char* const serials[] = {"", "1001", "2002"};
constexpr double offsetsMetres[] = {0.0, 0.4, 1.5, 150.0, 1100.0};
const double steps[] = {1.0, 15.0, 30.0, 600.0};

std::vector<EpochRun> Decode_Runs(min_lumo_fuzz::FuzzInput& input, double& first, double& last) {
    std::vector<double> epochs;
    double at = firstDayGps + slotSeconds * input.Below(2 * 24 * 240);
    const int32_t runs = 1 + input.Below(4);
    for (int32_t r = 0; r < runs; ++r) {
        const double step = steps[input.Below(4)];
        const int32_t count = 1 + input.Below(60);
        for (int32_t k = 0; k < count; ++k) epochs.push_back(at + step * k);
        // The next run after a gap, or back in time (a file out of order).
        at += step * count + slotSeconds * (input.Below(64) - 8);
    }
    min_lumo_field::EpochRunBuilder builder;
    for (const double epoch : epochs) builder.Add(epoch);
    std::vector<EpochRun> result = builder.Finish();
    first = result.front().firstGps;
    last = result.back().lastGps;
    for (const EpochRun& run : result) {
        first = std::min(first, run.firstGps);
        last = std::max(last, run.lastGps);
    }
    return result;
}

CampaignFiles Decode_Files(min_lumo_fuzz::FuzzInput& input) {
    CampaignFiles files;
    const int32_t count = 1 + input.Below(mostOccupations);
    for (int32_t i = 0; i < count; ++i) {
        Occupation occupation;
        occupation.file = "f" + std::to_string(i) + ".rnx";
        occupation.files = {occupation.file};
        occupation.station = stationNames[input.Below(8)];
        occupation.markerName = occupation.station;
        occupation.receiverNumber = serials[input.Below(3)];
        occupation.hasEpochs = !input.Chance(16);
        if (input.Chance(200))
            min_lumo_field::Set_Earth_Centred_Position(occupation, 4331297.0, 567555.0 + offsetsMetres[input.Below(5)],
                                                       4633133.0);
        if (occupation.hasEpochs) {
            if (input.Chance(40)) {
                // An occupation log's line.
                occupation.firstGps = firstDayGps + slotSeconds * input.Below(2 * 24 * 240);
                occupation.lastGps = occupation.firstGps + slotSeconds * input.Below(1000);
                occupation.epochRuns = {{occupation.firstGps, occupation.lastGps, 0}};
            } else {
                occupation.epochRuns = Decode_Runs(input, occupation.firstGps, occupation.lastGps);
                for (const EpochRun& run : occupation.epochRuns) occupation.epochCount += run.count;
                occupation.intervalSeconds = min_lumo_field::Most_Common_Spacing(occupation.epochRuns);
            }
        }
        // Sometimes the same data again under another file name.
        if (i > 0 && input.Chance(24)) {
            occupation = files.reads[min_lumo_tool::Index_At<ReadIndex>(static_cast<std::size_t>(input.Below(i)))];
            occupation.file = "f" + std::to_string(i) + ".rnx";
            occupation.files = {occupation.file};
        }
        files.Add_File(std::string(occupation.file), {occupation});
    }
    return files;
}

void Check(const Campaign& campaign) {
    const std::size_t read = campaign.files.reads.size();
    if (campaign.readOccupation.size() != read) Fail("readOccupation does not cover every occupation read");
    std::vector<int32_t> joinedInto(read, -1);
    for (const OccupationIndex o : campaign.occupations.Indices())
        for (const ReadIndex r : campaign.occupations[o].reads) {
            if (!campaign.files.reads.Holds(r)) Fail("an occupation joins a read occupation that is none");
            if (joinedInto[min_lumo_tool::Slot(r)] >= 0) Fail("a read occupation joined twice");
            joinedInto[min_lumo_tool::Slot(r)] = static_cast<int32_t>(o);
        }
    std::vector<bool> copy(read, false);
    for (const auto& [left, kept] : campaign.copies) {
        copy[min_lumo_tool::Slot(left)] = true;
        if (joinedInto[min_lumo_tool::Slot(left)] >= 0) Fail("a copy is also joined");
    }
    for (const ReadIndex r : campaign.files.reads.Indices()) {
        const bool hasEpochs = campaign.files.reads[r].hasEpochs;
        const bool accounted = joinedInto[min_lumo_tool::Slot(r)] >= 0 || copy[min_lumo_tool::Slot(r)];
        if (hasEpochs != accounted) Fail("occupation read " + std::to_string(min_lumo_tool::Slot(r)) + " is not accounted for");
        if (hasEpochs && !campaign.readOccupation[r]) Fail("a read occupation with epochs goes nowhere");
    }
    for (const Occupation& occupation : campaign.occupations) {
        if (occupation.spans.empty()) Fail("an occupation without spans");
        double before = -1.0;
        for (const min_lumo_field::DataSpan& span : occupation.spans) {
            if (span.startGps > span.endGps || span.startGps < occupation.firstGps || span.endGps > occupation.lastGps
                || span.startGps <= before)
                Fail("a span out of its occupation or out of order");
            before = span.endGps;
        }
        if (occupation.gapCount != static_cast<int32_t>(occupation.spans.size()) - 1) Fail("gaps and spans disagree");
        if (occupation.completeness < 0.0 || occupation.completeness > 1.0) Fail("completeness out of 0..1");
    }
    const double shortest = campaign.options.minimumOverlapMinutes * 60.0;
    for (const CampaignObservation& observation : campaign.observations) {
        if (!(observation.commonSeconds > 0.0) || observation.commonSeconds < shortest - 1e-6)
            Fail("an observation with too little common time");
        if (observation.commonSeconds > observation.endGps - observation.startGps + 1e-6)
            Fail("common time longer than the observation runs");
        for (const OccupationIndex end : {observation.fromOccupation, observation.toOccupation}) {
            const Occupation& occupation = campaign.occupations.at(end);
            if (observation.startGps < occupation.firstGps || observation.endGps > occupation.lastGps)
                Fail("an observation's common time outside one of its occupations");
        }
        if (campaign.occupations.at(observation.fromOccupation).stationIndex
            == campaign.occupations.at(observation.toOccupation).stationIndex)
            Fail("an observation of a station with itself");
    }
    const Violations violations = Validate_Project(campaign.project);
    if (!violations.empty()) Fail("the formed project breaks a host rule: " + Format_Violation(violations.front()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    min_lumo_fuzz::FuzzInput input(data, size);
    CampaignOptions options;
    options.minimumOverlapMinutes = input.Below(4) * 5.0;
    options.maximumGapMinutes = input.Below(4) * 2.5;
    CampaignFiles files = Decode_Files(input);
    try {
        Check(Form_Campaign(std::move(files), options));
    } catch (const CampaignError&) {
        // Two points under one name: refused, as it must be.
    }
    return 0;
}
