// The write-back: only Rejected observations are marked, and only in their
// removed and solutionStatus words.
#include <gtest/gtest.h>

#include "host/host_records.h"
#include "minimise/minimize_time_networks.h"
#include "tests/support/counting_heap.h"
#include "tests/unit/minimise_hand_built_network.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

// Holds a hand-built table in the library's globals for the test's duration.
class HeldTable {
public:
    explicit HeldTable(TimeNetwork& network) {
        NetworkTable = &network;
        NetworkCount = 1;
    }
    ~HeldTable() {
        NetworkTable = nullptr;
        NetworkCount = 0;
    }
    HeldTable(const HeldTable&) = delete;
    HeldTable& operator=(const HeldTable&) = delete;
};

TEST(WriteBack, MarksOnlyRejectedObservations) {
    HandBuiltNetwork built({{"W-X", 1}, {"W-Y", 1}, {"W-Z", 1}, {"X-Y", 1}, {"X-Z", 1}});
    const int32_t states[] = {Rejected, Selected, Undecided, Excluded, Rejected};
    for (int32_t i = 0; i < 5; ++i) built.observations[static_cast<std::size_t>(i)].state = states[i];
    // An observation already marked removed keeps its 1.
    Write_Field(built.project.Observation(4), observation::removed, 1);
    const auto before = built.project.Snapshot();
    const HeldTable held(built.network);
    Reset_Heap();

    Write_Back_Rejections();

    EXPECT_EQ(Heap_Requests(), 0);
    for (const ByteChange& change : Changed_Bytes(built.project, before, built.project.Snapshot())) {
        EXPECT_EQ(change.array, "observation");
        EXPECT_TRUE(change.record == 0 || change.record == 4) << change.record;
        const bool inRemoved = change.offset >= 2656 && change.offset < 2660;
        const bool inStatus = change.offset >= 2188 && change.offset < 2192;
        EXPECT_TRUE(inRemoved || inStatus) << change.offset;
    }
    for (int32_t i : {0, 4}) {
        EXPECT_EQ(Read_Field(built.project.Observation(i), observation::removed), 1);
        EXPECT_EQ(Read_Field(built.project.Observation(i), observation::solutionStatus), -1);
    }
}

// A table moved by the selection still writes to the right host records.
TEST(WriteBack, FollowsHostIndicesNotTablePositions) {
    HandBuiltNetwork built({{"W-X", 1}, {"W-Y", 2}, {"W-Z", 3}});
    std::swap(built.observations[0], built.observations[2]);
    built.observations[0].state = Rejected;  // host observation 2
    const HeldTable held(built.network);
    Write_Back_Rejections();
    EXPECT_EQ(Read_Field(built.project.Observation(2), observation::removed), 1);
    EXPECT_EQ(Read_Field(built.project.Observation(0), observation::removed), 0);
}

}  // namespace
}  // namespace min_lumo_test
