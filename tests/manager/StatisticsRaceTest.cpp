// The window reads the statistics on its own thread, without a lock, while the worker writes
// them. Here a reader reads the fields of 100 probes as fast as it can for two seconds; every
// value it sees must be one the field can really have held. A torn or stale-then-fresh read
// shows up as a counter that goes backwards or a delay no loopback reply can take.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/DelayTimeMgr.h"
#include "tests/support/Require.h"
#include "tests/support/TempDir.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;

// Far above any loopback round trip, far below any torn or garbage 32- or 64-bit value.
constexpr std::uint32_t kMaxLoopbackDelayMs = 1000;
constexpr std::uint32_t kNoDelayYet = 99999;

// The last value the reader saw of each field of one probe.
struct Seen {
    std::uint64_t totalDelayMs = 0, replyCount = 0, lostCount = 0;
    std::uint32_t maxDelayMs = 0, minDelayMs = kNoDelayYet;
};

TEST(StatisticsRace, ReaderSeesOnlyValuesTheFieldsHeldWhileTheWorkerWrites) {
    QV_REQUIRE_NETWORK_PRIVILEGES();
    test::TempDir dir;
    std::string list;
    for (int i = 0; i < 100; ++i)
        list += "127.0." + std::to_string(10 + i / 50) + "." + std::to_string(1 + i % 50) + "\n";
    dir.Write("config.ini", list);
    DelayTimeMgr manager(dir / "config.ini");
    ASSERT_EQ(manager.probes.size(), 100u);

    std::vector<Seen> seen(manager.probes.size());
    std::uint64_t reads = 0, changes = 0;
    manager.Start();
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (std::chrono::steady_clock::now() < end) {
        for (std::size_t i = 0; i < manager.probes.size(); ++i) {
            const DelayTimeProbe& probe = *manager.probes[i];
            Seen& last = seen[i];
            // Each field is read once, on its own; facts across fields would need a lock.
            const std::uint64_t total = probe.totalDelayMs, replies = probe.replyCount,
                                lost = probe.lostCount;
            const std::uint32_t max = probe.maxDelayMs, min = probe.minDelayMs,
                                current = probe.lastDelayMs;
            const int loss = probe.LossPercent();
            ++reads;

            // Sums and counts only grow, the largest delay only grows, the smallest only shrinks.
            ASSERT_GE(total, last.totalDelayMs) << probe.hostText;
            ASSERT_GE(replies, last.replyCount) << probe.hostText;
            ASSERT_GE(lost, last.lostCount) << probe.hostText;
            ASSERT_GE(max, last.maxDelayMs) << probe.hostText;
            ASSERT_LE(min, last.minDelayMs) << probe.hostText;
            // Each value is a real loopback delay, or the initial one.
            ASSERT_LT(max, kMaxLoopbackDelayMs) << probe.hostText;
            ASSERT_LT(current, kMaxLoopbackDelayMs) << probe.hostText;
            ASSERT_TRUE(min == kNoDelayYet || min < kMaxLoopbackDelayMs) << probe.hostText;
            // No request can time out within the run (5 s), and loopback answers every one.
            ASSERT_EQ(lost, 0u) << probe.hostText;
            ASSERT_EQ(loss, 0) << probe.hostText;

            if (replies != last.replyCount) ++changes;
            last = {total, replies, lost, max, min};
        }
    }
    manager.Stop();

    // The worker really wrote while the reader read: each probe answers twice a second.
    EXPECT_GE(changes, manager.probes.size());
    EXPECT_GT(reads, changes);
    // After Stop the worker has ended, so the fields of one probe now agree with each other.
    for (const auto& probe : manager.probes) {
        SCOPED_TRACE(probe->hostText);
        EXPECT_GE(probe->replyCount, 1u);
        EXPECT_LE(probe->totalDelayMs, probe->replyCount * (kMaxLoopbackDelayMs - 1));
        EXPECT_LE(probe->minDelayMs, probe->lastDelayMs);
        EXPECT_LE(probe->lastDelayMs, probe->maxDelayMs);
    }
}

}  // namespace
}  // namespace quorvex
