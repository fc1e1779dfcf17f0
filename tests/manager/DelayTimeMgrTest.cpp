// DelayTimeMgr with real probes on loopback addresses and a namespace test host.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "manager/DelayTimeMgr.h"
#include "tests/support/MgrTestPeer.h"
#include "tests/support/ProcessState.h"
#include "tests/support/Require.h"
#include "tests/support/Responder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost.h"
#include "tests/support/Wait.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;
using test::TempDir;
using test::WaitUntil;

class MgrTest : public testing::Test {
protected:
    void SetUp() override { QV_REQUIRE_NETWORK_PRIVILEGES(); }

    // A manager over `list`, written as config.ini of a fresh temporary directory.
    std::unique_ptr<DelayTimeMgr> Manager(const std::string& list) {
        dir_.Write("config.ini", list);
        return std::make_unique<DelayTimeMgr>(dir_ / "config.ini");
    }

    TempDir dir_;
};

TEST_F(MgrTest, BuildsOneProbePerTargetInFileOrder) {
    auto manager = Manager("127.0.0.3\n#x\n127.0.0.1\n127.0.0.3\n");
    ASSERT_EQ(manager->probes.size(), 3u);
    EXPECT_EQ(manager->probes[0]->hostText, "127.0.0.3");
    EXPECT_EQ(manager->probes[1]->hostText, "127.0.0.1");
    EXPECT_EQ(manager->probes[2]->hostText, "127.0.0.3");
}

TEST_F(MgrTest, GetInstanceBuildsOnceFromTheWorkingDirectory) {
    dir_.Write("config.ini", "127.0.0.1\n127.0.0.2\n");
    test::ScopedWorkingDirectory cwd(dir_.Path());
    DelayTimeMgr& first = DelayTimeMgr::GetInstance();
    dir_.Write("config.ini", "127.0.0.1\n127.0.0.2\n127.0.0.3\n");
    DelayTimeMgr& second = DelayTimeMgr::GetInstance();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.probes.size(), 2u) << "the target list is read once";
    first.Stop();
}

// A probe whose construction throws on the third line: GetInstance throws, the probes of lines
// one and two are destroyed with their sockets, and the next call reads the list from line one.
TEST_F(MgrTest, FailedConstructionLeavesNothingAndIsRetriedFromTheFirstLine) {
    dir_.Write("config.ini", "127.0.0.1\n127.0.0.2\n127.0.0.3\n127.0.0.4\n");
    test::ScopedWorkingDirectory cwd(dir_.Path());
    std::vector<std::string> asked;
    DelayTimeMgrTestPeer::SetInstanceProbeFactory(
        [&](boost::asio::io_context& io, const std::string& target) {
            asked.push_back(target);
            if (asked.size() == 3)
                throw boost::system::system_error(boost::asio::error::no_permission);
            return DelayTimeMgr::MakeProbe(io, target);
        });
    const int descriptors = test::OpenDescriptorCount();
    EXPECT_THROW(DelayTimeMgr::GetInstance(), boost::system::system_error);
    EXPECT_EQ(test::OpenDescriptorCount(), descriptors) << "sockets of the first probes leaked";

    dir_.Write("config.ini", "127.0.0.9\n127.0.0.2\n127.0.0.3\n127.0.0.4\n");
    DelayTimeMgr& manager = DelayTimeMgr::GetInstance();
    ASSERT_EQ(manager.probes.size(), 4u);
    EXPECT_EQ(manager.probes[0]->hostText, "127.0.0.9");
    EXPECT_EQ(asked, (std::vector<std::string>{"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.9",
                                               "127.0.0.2", "127.0.0.3", "127.0.0.4"}));
    DelayTimeMgrTestPeer::SetInstanceProbeFactory(DelayTimeMgr::MakeProbe);
}

TEST_F(MgrTest, StartTwiceRunsOneWorkerAndStopJoinsIt) {
    auto manager = Manager("127.0.0.1\n");
    manager->Start();
    // Counted after the first thread start: sanitizer runtimes add a helper thread of their own.
    const int threads = test::ThreadCount();
    manager->Start();
    EXPECT_EQ(test::ThreadCount(), threads);
    DelayTimeProbe& probe = *manager->probes[0];
    ASSERT_TRUE(WaitUntil([&] { return probe.replyCount >= 1; }, 3s));

    manager->Stop();
    EXPECT_EQ(test::ThreadCount(), threads - 1);
    // Nothing runs any more: the statistics stay as they were.
    const std::uint64_t replies = probe.replyCount, lost = probe.lostCount;
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(probe.replyCount, replies);
    EXPECT_EQ(probe.lostCount, lost);
}

TEST_F(MgrTest, StopWithoutStartDoesNothing) {
    auto manager = Manager("127.0.0.1\n");
    const int threads = test::ThreadCount();
    manager->Stop();
    EXPECT_EQ(test::ThreadCount(), threads);
    // The I/O service was not stopped: a later Start still probes.
    manager->Start();
    ASSERT_TRUE(WaitUntil([&] { return manager->probes[0]->replyCount >= 1; }, 3s));
}

TEST_F(MgrTest, HandlerThatThrowsDoesNotStopTheOtherProbes) {
    auto manager = Manager("127.0.0.1\n127.0.0.2\n");
    manager->Start();
    ASSERT_TRUE(WaitUntil([&] { return manager->probes[1]->replyCount >= 1; }, 3s));
    const std::uint64_t before = manager->probes[1]->replyCount;
    boost::asio::post(DelayTimeMgrTestPeer::IoService(*manager),
                      [] { throw std::runtime_error("handler failed"); });
    EXPECT_TRUE(WaitUntil([&] { return manager->probes[1]->replyCount >= before + 2; }, 3s));
    EXPECT_EQ(manager->probes[0]->lostCount, 0u);
}

TEST_F(MgrTest, EmptyListKeepsTheWorkerAsleepUntilStop) {
    auto manager = Manager("# nothing to probe\n");
    EXPECT_TRUE(manager->probes.empty());
    manager->Start();
    std::this_thread::sleep_for(100ms);
    const double cpu = test::CpuSeconds();
    std::this_thread::sleep_for(1s);
    EXPECT_LT(test::CpuSeconds() - cpu, 0.05) << "the worker spins while it has no work";
    const auto stopAt = std::chrono::steady_clock::now();
    manager->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 200ms);
}

// A reply and a timeout that fell due while later targets were still being set up are handled
// as soon as the worker runs.
TEST_F(MgrTest, CompletionsDueBeforeStartAreHandledOnceItRuns) {
    std::string why;
    auto host = test::TestHost::Create(&why);
    if (!host) QV_SKIP_OR_FAIL(why);
    // Nothing answers in the test host: its kernel replies are off and no responder runs.
    auto manager = Manager(host->Address() + "\n127.0.0.1\n");
    std::this_thread::sleep_for(5200ms);
    EXPECT_EQ(manager->probes[0]->lostCount, 0u);
    manager->Start();
    EXPECT_TRUE(WaitUntil([&] { return manager->probes[0]->lostCount == 1; }, 200ms));
    // 127.0.0.1's first reply waited in its socket; the second request follows 500 ms later.
    EXPECT_TRUE(WaitUntil([&] { return manager->probes[1]->replyCount == 1; }, 1500ms));
}

}  // namespace
}  // namespace quorvex
