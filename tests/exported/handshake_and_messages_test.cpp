// The structure-size handshake and the message buffer, through the exports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

constexpr char HandshakeText[] =
    "Invalid structure size in min_lumo.  This DLL version does not match Orvanta's";

const LoadedLibrary& Lib() {
    const LoadedLibrary& library = Library_Under_Test();
    EXPECT_EQ(library.error, "");
    return library;
}

std::string Message(int32_t* copied = nullptr) {
    char buffer[512];
    std::memset(buffer, 0x7F, sizeof buffer);
    const int32_t count = Lib().getErrorMessage(buffer);
    if (copied != nullptr) *copied = count;
    EXPECT_EQ(buffer[count - 1], '\0');
    return std::string(buffer);
}

// The loader reads the message once, right after loading the library.
TEST(MessageBuffer, IsEmptyBeforeAnyFailure) {
    EXPECT_EQ(Lib().firstMessageResult, 1);
    EXPECT_EQ(Lib().firstMessageBytes[0], '\0');
    EXPECT_EQ(Lib().firstMessageBytes[1], 'x') << "only the terminator is written";
}

class HandshakeMismatch : public ::testing::TestWithParam<std::pair<int, int32_t>> {};

TEST_P(HandshakeMismatch, FailsWithTheHandshakeMessageAndTouchesNothing) {
    const auto [position, value] = GetParam();
    int32_t sizes[6];
    std::memcpy(sizes, AcceptedSizes, sizeof sizes);
    sizes[position] = value;

    HostProject project;
    project.Add_Source();
    project.Add_Station("A");
    project.Add_Station("B");
    project.Add_Baseline(0, 1);
    for (int i = 0; i < 3; ++i) project.Add_Observation({.baseline = 0, .startTime = 0, .endTime = 100});
    const auto before = project.Snapshot();

    EXPECT_EQ(Lib().minLumo(sizes, project.Header()), 1);
    EXPECT_TRUE(Changed_Bytes(project, before, project.Snapshot()).empty());
    int32_t copied = 0;
    EXPECT_EQ(Message(&copied), HandshakeText);
    EXPECT_EQ(copied, 79);

    // The project is not looked at: even a null one is fine.
    EXPECT_EQ(Lib().minLumo(sizes, nullptr), 1);
    EXPECT_EQ(Message(), HandshakeText);
}

INSTANTIATE_TEST_SUITE_P(EachPosition, HandshakeMismatch,
                         ::testing::Values(std::pair{0, 281}, std::pair{1, 5415}, std::pair{2, 0},
                                           std::pair{3, 2688}, std::pair{4, -1584},
                                           std::pair{5, 88}));

TEST(Handshake, EarlierPositionsAreComparedFirst) {
    // Every value wrong: still exactly one message, the handshake's.
    const int32_t sizes[6] = {0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Lib().minLumo(sizes, nullptr), 1);
    EXPECT_EQ(Message(), HandshakeText);
}

TEST(MessageBuffer, ReadingDoesNotClearIt) {
    int32_t sizes[6];
    std::memcpy(sizes, AcceptedSizes, sizeof sizes);
    sizes[5] = 88;
    ASSERT_EQ(Lib().minLumo(sizes, nullptr), 1);
    int32_t first = 0, second = 0;
    EXPECT_EQ(Message(&first), HandshakeText);
    EXPECT_EQ(Message(&second), HandshakeText);
    EXPECT_EQ(first, 79);
    EXPECT_EQ(second, 79);
}

}  // namespace
}  // namespace min_lumo_test
