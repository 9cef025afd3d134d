// What each kind of exception means to the user: its exit status and the
// start of its message, case by case.
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tool/commands/exit_codes.h"
#include "tool/commands/guard.h"
#include "tool/field/rinex_campaign.h"
#include "tool/output/atomic_file.h"
#include "tool/plan/campaign_project.h"

namespace min_lumo_tool {
namespace {

struct FailureCase {
    const char* what;
    std::function<void()> raise;
    int exitCode;
    const char* messageStart;
};

TEST(CommandFailure, EachKindHasItsExitStatusAndMessage) {
    const char* internal = "min_lumo: internal error: ";
    const FailureCase cases[] = {
        {"a file that cannot be read", [] { throw std::runtime_error("a.rnx:3: not RINEX"); }, 2, "min_lumo: a.rnx:3: not RINEX"},
        {"an option out of range", [] { throw std::invalid_argument("--days 0: must be at least 1"); }, 2,
         "min_lumo: --days 0: must be at least 1"},
        {"a campaign that cannot be formed", [] { throw CampaignError("--control X: no such station"); }, 2,
         "min_lumo: --control X"},
        {"an output file", [] { throw OutputWriteError("cannot write plan.csv: No such file or directory"); }, 74,
         "min_lumo: cannot write plan.csv"},
        {"a generated campaign's file",
         [] { throw min_lumo_field::CampaignWriteError("cannot write f/A000.rnx: No space left on device"); }, 74,
         "min_lumo: cannot write f/A000.rnx"},
        {"a broken invariant", [] { throw std::logic_error("station 3 has no kept observation"); }, 70,
         "min_lumo: internal error: station 3 has no kept observation. This is a fault of min_lumo"},
        {"an index out of range", [] { throw std::out_of_range("vector::at"); }, 70, internal},
        {"out of memory", [] { throw std::bad_alloc(); }, 70, "min_lumo: internal error: out of memory"},
        {"a format string misused", [] { throw fmt::format_error("invalid format string"); }, 70, internal},
        {"a JSON value misused", [] { (void)nlohmann::json(1).at("key"); }, 70, internal},
        {"an arithmetic range", [] { throw std::overflow_error("too many epochs"); }, 70, internal},
        {"no standard exception", [] { throw 42; }, 70, "min_lumo: internal error: an exception of no standard type"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            c.raise();
            FAIL() << "nothing was thrown";
        } catch (...) {
            const CommandFailure failure = Failure_Of(std::current_exception());
            EXPECT_EQ(failure.exitCode, c.exitCode);
            EXPECT_EQ(failure.message.rfind(c.messageStart, 0), 0u) << failure.message;
        }
    }
}

TEST(CommandFailure, TheGuardReturnsTheStatusOfWhatTheCommandThrew) {
    EXPECT_EQ(Guarded([] { return exitChecksFailed; }), 3);
    EXPECT_EQ(Guarded([]() -> int { throw std::invalid_argument("bad"); }), 2);
    EXPECT_EQ(Guarded([]() -> int { throw std::logic_error("broken"); }), 70);
    EXPECT_EQ(Guarded([]() -> int { throw OutputWriteError("cannot write"); }), 74);
}

}  // namespace
}  // namespace min_lumo_tool
