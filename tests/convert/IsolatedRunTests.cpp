#include "convert/IsolatedRun.h"

#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

namespace hollin::importer {
namespace {

using namespace std::chrono_literals;

TEST(IsolatedRun, ReportsWhatTheWorkReturned) {
    EXPECT_TRUE(SucceedsInIsolation([] { return true; }, 10s));
    EXPECT_FALSE(SucceedsInIsolation([] { return false; }, 10s));
}

TEST(IsolatedRun, ACrashInTheWorkLeavesTheCallerRunning) {
    EXPECT_FALSE(SucceedsInIsolation(
        [] {
            std::raise(SIGSEGV);
            return true;
        },
        10s));
}

TEST(IsolatedRun, WorkThatNeverEndsIsStoppedAtTheTimeLimit) {
    EXPECT_FALSE(SucceedsInIsolation(
        [] {
            for (;;) pause();
            return true;
        },
        200ms));
}

TEST(IsolatedRun, TheWorkCannotChangeTheCallersState) {
    int counter = 0;
    EXPECT_TRUE(SucceedsInIsolation(
        [&counter] {
            ++counter;
            return true;
        },
        10s));
    EXPECT_EQ(counter, 0);
}

}  // namespace
}  // namespace hollin::importer
