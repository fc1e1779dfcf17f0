// DelayTimeProbe against real raw sockets: a scripted test host in a network namespace, the
// loopback range, and a child process without CAP_NET_RAW.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "probe/DelayTimeProbe.h"
#include "tests/support/ProbeTestPeer.h"
#include "tests/support/ProcessState.h"
#include "tests/support/Require.h"
#include "tests/support/Responder.h"
#include "tests/support/TestHost.h"
#include "tests/support/Wait.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;
using test::Answer;
using test::IoThread;
using test::Responder;
using test::Script;
using test::SeenRequest;
using test::WaitUntil;

// How far a delay may read from the scripted one. Later: the responder and the worker are threads
// that a loaded machine (two cores, sanitizers, ctest -j) wakes late by a few ms. Shorter:
// sendTime is stamped after the send started, and the worker can be preempted in between.
constexpr std::uint32_t kSchedulingSlackMs = 15;

std::int64_t Millis(std::chrono::steady_clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

class ProbeTest : public testing::Test {
protected:
    void SetUp() override {
        QV_REQUIRE_NETWORK_PRIVILEGES();
        std::string why;
        host_ = test::TestHost::Create(&why);
        if (!host_) QV_SKIP_OR_FAIL(why);
    }

    // Starts the responder; fails the test when it cannot run.
    Responder& Respond(Script script) {
        responder_ = std::make_unique<Responder>(*host_, std::move(script));
        EXPECT_EQ(responder_->Error(), "");
        return *responder_;
    }

    DelayTimeProbe& Probe(const std::string& target) {
        probe_ = std::make_unique<DelayTimeProbe>(io_, target);
        return *probe_;
    }

    void Run() { ioThread_ = std::make_unique<IoThread>(io_); }

    // Declaration order makes teardown safe: the I/O thread ends first, then the probe, then
    // the I/O context, then the responder and the namespace.
    std::unique_ptr<test::TestHost> host_;
    std::unique_ptr<Responder> responder_;
    boost::asio::io_context io_;
    std::unique_ptr<DelayTimeProbe> probe_;
    std::unique_ptr<IoThread> ioThread_;
};

class ProbeDelay : public ProbeTest, public testing::WithParamInterface<int> {};

TEST_P(ProbeDelay, FirstReplyOnlyEndsTheWaitAndLaterRepliesRecordTheDelay) {
    const auto delay = std::chrono::milliseconds(GetParam());
    Responder& responder = Respond(test::AnswerAfter(delay));
    DelayTimeProbe& probe = Probe(host_->Address());
    Run();

    ASSERT_TRUE(responder.WaitForRequests(2, 3s));
    // Request 2 is out, its reply not yet back: request 1's reply recorded nothing.
    EXPECT_EQ(probe.replyCount, 0u);
    EXPECT_EQ(probe.minDelayMs, 99999u);
    ASSERT_TRUE(WaitUntil([&] { return probe.replyCount == 1; }, 3s));
    EXPECT_EQ(probe.totalDelayMs, probe.lastDelayMs);
    EXPECT_EQ(probe.minDelayMs, probe.lastDelayMs);
    EXPECT_EQ(probe.maxDelayMs, probe.lastDelayMs);
    EXPECT_EQ(probe.lostCount, 0u);
    EXPECT_EQ(probe.LossPercent(), 0);
    EXPECT_GE(probe.lastDelayMs, static_cast<std::uint32_t>(GetParam()) - kSchedulingSlackMs);
    EXPECT_LE(probe.lastDelayMs, static_cast<std::uint32_t>(GetParam()) + kSchedulingSlackMs);

    const auto requests = responder.Requests();
    EXPECT_EQ(requests[0].sequenceNumber, 1);
    EXPECT_EQ(requests[1].sequenceNumber, 2);
    EXPECT_EQ(requests[0].identifier, DelayTimeProbe::Identifier());
    EXPECT_EQ(requests[0].from, host_->LocalAddress());
    // The next request leaves 500 ms after the reply.
    const auto gap = Millis(requests[1].at - requests[0].at) - GetParam();
    EXPECT_GE(gap, 500);
    EXPECT_LT(gap, 600);
}

INSTANTIATE_TEST_SUITE_P(AnswerAfterMs, ProbeDelay, testing::Values(20, 150));

TEST_F(ProbeTest, ReplyTimeoutCountsALossAndSendsAtOnce) {
    Responder& responder = Respond([](const SeenRequest&, std::size_t index) {
        Answer later;
        later.delay = 200ms;
        return index == 0 ? std::vector<Answer>{} : std::vector<Answer>{later};
    });
    DelayTimeProbe& probe = Probe(host_->Address());
    Run();

    ASSERT_TRUE(responder.WaitForRequests(2, 7s));
    const auto requests = responder.Requests();
    const auto gap = Millis(requests[1].at - requests[0].at);
    // The responder stamps a request when its thread wakes; on a loaded machine the first stamp
    // can come a few milliseconds late and make the gap read short.
    EXPECT_GE(gap, 4990);
    EXPECT_LT(gap, 5100);
    EXPECT_EQ(requests[1].sequenceNumber, 2);
    EXPECT_EQ(probe.lostCount, 1u);
    EXPECT_EQ(probe.LossPercent(), 100);
    ASSERT_TRUE(WaitUntil([&] { return probe.replyCount == 1; }, 2s));
    EXPECT_EQ(probe.LossPercent(), 50);
}

// Request 2 first gets `odd` at once, then the true reply 100 ms later; later requests get no
// answer. A dropped `odd` leaves one delay of about 100 ms; an accepted one records about 0 ms,
// and the true reply, arriving in the pause, is recorded again.
struct OddReplyCase {
    const char* name;
    Answer odd;
    bool accepted;
};

void PrintTo(const OddReplyCase& c, std::ostream* os) { *os << c.name; }

class OddReply : public ProbeTest, public testing::WithParamInterface<OddReplyCase> {};

TEST_P(OddReply, IsDroppedOrAcceptedByTheMatchingRules) {
    const OddReplyCase& c = GetParam();
    Responder& responder = Respond([&](const SeenRequest&, std::size_t index) {
        if (index == 0) return std::vector<Answer>{Answer{}};
        if (index > 1) return std::vector<Answer>{};
        Answer late;
        late.delay = 100ms;
        return std::vector<Answer>{c.odd, late};
    });
    DelayTimeProbe& probe = Probe(host_->Address());
    Run();

    ASSERT_TRUE(responder.WaitForRequests(3, 3s));
    ASSERT_TRUE(WaitUntil([&] { return probe.replyCount >= (c.accepted ? 2u : 1u); }, 1s));
    EXPECT_EQ(probe.replyCount, c.accepted ? 2u : 1u);
    EXPECT_GE(probe.maxDelayMs, 100u - kSchedulingSlackMs);
    EXPECT_LE(probe.maxDelayMs, 100u + kSchedulingSlackMs);
    EXPECT_EQ(probe.minDelayMs <= kSchedulingSlackMs, c.accepted);
    EXPECT_EQ(probe.lostCount, 0u);
}

Answer Odd(std::uint8_t type, std::uint8_t code = 0) {
    Answer a;
    a.type = type;
    a.code = code;
    return a;
}

Answer FromSecondAddress() {
    Answer a;
    a.fromSecondAddress = true;
    return a;
}

Answer WithSequence(std::uint16_t sequence) {
    Answer a;
    a.sequenceNumber = sequence;
    return a;
}

Answer WithIdentifier(std::uint16_t identifier) {
    Answer a;
    a.identifier = identifier;
    return a;
}

Answer WrongChecksum() {
    Answer a;
    a.wrongChecksum = true;
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OddReply,
    testing::Values(
        OddReplyCase{"from_another_address", FromSecondAddress(), false},
        OddReplyCase{"echo_request", Odd(8), false}, OddReplyCase{"time_exceeded", Odd(11), false},
        // A connected socket also learns of this error as a pending socket error; receiving
        // must go on after it.
        OddReplyCase{"port_unreachable", Odd(3, 3), false},
        OddReplyCase{"protocol_unreachable", Odd(3, 2), false},
        OddReplyCase{"previous_sequence", WithSequence(1), false},
        OddReplyCase{"next_sequence", WithSequence(3), false},
        OddReplyCase{"other_identifier",
                     WithIdentifier(static_cast<std::uint16_t>(DelayTimeProbe::Identifier() ^ 1)),
                     false},
        OddReplyCase{"nonzero_code", Odd(0, 7), true},
        OddReplyCase{"wrong_checksum", WrongChecksum(), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProbeTest, SecondCopyDuringThePauseIsRecordedAgainAndEndsThePause) {
    Responder& responder = Respond([](const SeenRequest&, std::size_t index) {
        Answer first, copy;
        first.delay = 20ms;
        copy.delay = 220ms;
        return index == 1 ? std::vector<Answer>{first, copy} : std::vector<Answer>{first};
    });
    DelayTimeProbe& probe = Probe(host_->Address());
    Run();

    ASSERT_TRUE(responder.WaitForRequests(3, 3s));
    const auto requests = responder.Requests();
    // The copy came 220 ms after request 2 and sent request 3 at once, not 500 ms later.
    EXPECT_LT(Millis(requests[2].at - requests[1].at), 220 + 100);
    EXPECT_EQ(probe.replyCount, 2u);
    EXPECT_GE(probe.minDelayMs, 20u - kSchedulingSlackMs);
    EXPECT_LE(probe.minDelayMs, 20u + kSchedulingSlackMs);
    EXPECT_GE(probe.maxDelayMs, 220u - kSchedulingSlackMs);
    EXPECT_LE(probe.maxDelayMs, 220u + kSchedulingSlackMs);
    EXPECT_EQ(probe.lastDelayMs, probe.maxDelayMs);
    EXPECT_EQ(probe.totalDelayMs, probe.minDelayMs + probe.maxDelayMs);
}

TEST_F(ProbeTest, SequenceNumberWrapsAndRepliesToZeroAndOneRecordNothing) {
    Responder& responder = Respond(test::AnswerAfter(0ms));
    auto probe = DelayTimeProbeTestPeer::MakeStartingAfter(io_, host_->Address(), 65533);
    Run();

    ASSERT_TRUE(responder.WaitForRequests(5, 5s));
    std::vector<std::uint16_t> sequence;
    for (const auto& r : responder.Requests()) sequence.push_back(r.sequenceNumber);
    EXPECT_EQ(sequence, (std::vector<std::uint16_t>{65534, 65535, 0, 1, 2}));
    // 65534 and 65535 were recorded; 0 and 1 were not; 2 is on its way.
    ASSERT_TRUE(WaitUntil([&] { return probe->replyCount == 3; }, 2s));
    EXPECT_EQ(probe->lostCount, 0u);
    io_.stop();
}

TEST_F(ProbeTest, UnresolvableTargetIsInertAndFullyLost) {
    // Resolve inside the test host's namespace, which has no route to any name server, so the
    // lookup fails at once and sends nothing off this machine.
    std::unique_ptr<DelayTimeProbe> probe;
    std::thread inside([&] {
        const int fd = host_->OpenNamespace();
        ASSERT_EQ(::setns(fd, CLONE_NEWNET), 0);
        ::close(fd);
        probe = std::make_unique<DelayTimeProbe>(io_, "no-such-host.invalid");
    });
    inside.join();
    ASSERT_TRUE(probe);

    // Nothing was started: the I/O context has no work at all.
    EXPECT_EQ(io_.run_for(200ms), 0u);
    EXPECT_TRUE(io_.stopped());
    EXPECT_EQ(probe->lostCount, 1u);
    EXPECT_EQ(probe->replyCount, 0u);
    EXPECT_EQ(probe->LossPercent(), 100);
    EXPECT_EQ(probe->totalDelayMs, 0u);
    EXPECT_EQ(probe->lastDelayMs, 0u);
    EXPECT_EQ(probe->maxDelayMs, 0u);
    EXPECT_EQ(probe->minDelayMs, 99999u);
    EXPECT_EQ(probe->hostText, "no-such-host.invalid");
}

// Delays and both waits run on a monotonic clock: a wall-clock step (NTP, a manual change)
// between send and reply would otherwise record a negative delay as about 4 294 967 000 ms.
TEST(ProbeClock, IsMonotonic) { EXPECT_TRUE(DelayTimeProbe::Clock::is_steady); }

TEST(ProbeLossPercent, TruncatesThePercentage) {
    struct Case {
        std::uint64_t lost, replies;
        int percent;
    };
    const Case cases[] = {
        {0, 0, 0},  {1, 0, 100},  {1, 2, 33},
        {2, 1, 66}, {29, 71, 28},  // 0.29 * 100 is just below 29 in double arithmetic
        {0, 5, 0},  {1, 999, 0},  {999, 1, 99}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lost << " lost, " << c.replies << " replies");
        EXPECT_EQ(LossPercentOf(c.lost, c.replies), c.percent);
    }
}

TEST(ProbeWithoutPrivilege, OpeningTheSocketThrowsSystemError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!test::DropNetRaw()) std::_Exit(3);
            boost::asio::io_context io;
            try {
                DelayTimeProbe probe(io, "127.0.0.1");
            } catch (const boost::system::system_error& e) {
                std::_Exit(e.code() == boost::asio::error::no_permission ||
                                   e.code() == boost::asio::error::access_denied
                               ? 0
                               : 4);
            }
            std::_Exit(5);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace quorvex
