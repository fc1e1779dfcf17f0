// Many probes on one host at once, on loopback addresses.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "probe/DelayTimeProbe.h"
#include "tests/support/Require.h"
#include "tests/support/Wait.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;
using test::IoThread;
using test::WaitUntil;

// Many probes at once on one host: each socket must get its own replies although all of them
// share one identifier and the host delivers ICMP to every raw socket.
TEST(ProbeFanOut, ThreeHundredLoopbackTargetsAllGetTheirReplies) {
    QV_REQUIRE_NETWORK_PRIVILEGES();
    boost::asio::io_context io;
    std::vector<std::unique_ptr<DelayTimeProbe>> probes;
    for (int i = 0; i < 300; ++i)
        probes.push_back(std::make_unique<DelayTimeProbe>(
            io, "127.0." + std::to_string(1 + i / 250) + "." + std::to_string(1 + i % 250)));
    {
        IoThread running(io);
        // Two rounds each: request 1's reply is not recorded, request 2's is.
        WaitUntil(
            [&] {
                for (const auto& p : probes)
                    if (p->replyCount == 0) return false;
                return true;
            },
            4s);
    }
    int withoutReply = 0;
    for (const auto& p : probes) {
        if (p->replyCount == 0) ++withoutReply;
        EXPECT_EQ(p->lostCount, 0u) << p->hostText;
    }
    EXPECT_EQ(withoutReply, 0);
}

}  // namespace
}  // namespace quorvex
