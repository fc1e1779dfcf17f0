// Target lists a user or an accident could produce: devices, enormous or binary files, very many
// or very long lines, and texts that are no IPv4 address or name. Each gets a defined outcome,
// the read always ends, and the file is never changed.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "manager/DelayTimeMgr.h"
#include "manager/TargetList.h"
#include "tests/manager/LoadTargets.h"
#include "tests/support/ProcessState.h"
#include "tests/support/Require.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;
using test::Targets;
using test::TempDir;

// Endless or special devices behind the name: no targets, no waiting, nothing written.
TEST(HostileTargetList, DevicesBehindTheNameGiveNoTargets) {
    TempDir dir;
    for (const char* device : {"/dev/zero", "/dev/urandom", "/dev/null", "/dev/tty"}) {
        SCOPED_TRACE(device);
        std::filesystem::remove(dir / "config.ini");
        std::filesystem::create_symlink(device, dir / "config.ini");
        EXPECT_EQ(test::LoadTargets(dir / "config.ini"), Targets{});
        EXPECT_TRUE(std::filesystem::is_symlink(dir / "config.ini"));
    }
}

struct BigFileCase {
    const char* name;
    std::string (*content)();            // made only when the case runs
    std::optional<std::size_t> targets;  // how many texts the reader delivers; else counted
};

void PrintTo(const BigFileCase& c, std::ostream* os) { *os << c.name; }

std::string RandomBytes(std::size_t size) {
    std::mt19937 random(8);  // fixed seed: the same file every run
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string ManyLines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += "10.0." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256) + "\n";
    return lines;
}

// What the line rules make of arbitrary bytes, counted: every LF-separated line that is neither
// empty, nor starts with '#' or NUL.
std::size_t CountTargetLines(const std::string& bytes) {
    std::size_t count = 0, start = 0;
    while (start < bytes.size()) {
        std::size_t lf = bytes.find('\n', start);
        if (lf == std::string::npos) lf = bytes.size();
        const std::size_t length = lf - start;
        const bool crOnly = length == 1 && bytes[start] == '\r' && lf < bytes.size();
        if (length > 0 && !crOnly && bytes[start] != '#' && bytes[start] != '\0') ++count;
        start = lf + 1;
    }
    return count;
}

class BigTargetList : public testing::TestWithParam<BigFileCase> {};

TEST_P(BigTargetList, IsReadToTheEndWithinTheLineRulesAndStaysUnchanged) {
    const BigFileCase& c = GetParam();
    const std::string content = c.content();
    TempDir dir;
    dir.Write("config.ini", content);
    const Targets targets = test::LoadTargets(dir / "config.ini");
    EXPECT_EQ(targets.size(), c.targets.value_or(CountTargetLines(content)));
    for (const std::string& target : targets) {
        ASSERT_FALSE(target.empty());
        ASSERT_LE(target.size(), kMaxTargetTextLength);
        ASSERT_EQ(target.find('\0'), std::string::npos);
        ASSERT_NE(target.front(), '#');
    }
    EXPECT_TRUE(dir.Read("config.ini") == content) << "the reader changed the file";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BigTargetList,
    testing::Values(
        // One line of 64 MiB: its first 1023 bytes are the one target.
        BigFileCase{"one_line_of_64_mib", [] { return std::string(64u << 20, 'x'); }, 1},
        // 50 MiB of random bytes: every LF starts a line, so about one target per 256 bytes.
        BigFileCase{"binary_50_mib", [] { return RandomBytes(50u << 20); }, std::nullopt},
        BigFileCase{"hundred_thousand_lines", [] { return ManyLines(100000); }, 100000},
        BigFileCase{"twenty_thousand_lines_of_2000_bytes",
                    [] {
                        std::string lines;
                        for (int i = 0; i < 20000; ++i) lines += std::string(2000, 'a') + "\n";
                        return lines;
                    },
                    20000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HostileTargetList, HundredThousandLinesArriveWholeAndInOrder) {
    TempDir dir;
    dir.Write("config.ini", ManyLines(100000));
    const Targets targets = test::LoadTargets(dir / "config.ini");
    ASSERT_EQ(targets.size(), 100000u);
    EXPECT_EQ(targets.front(), "10.0.0.0");
    EXPECT_EQ(targets[257], "10.0.1.1");
    EXPECT_EQ(targets.back(), "10.0.134.159");
}

class HostileTargetMgr : public testing::Test {
protected:
    void SetUp() override { QV_REQUIRE_NETWORK_PRIVILEGES(); }
    TempDir dir_;
};

// Each probe needs a socket: a list longer than the descriptor limit allows makes the manager's
// construction throw (EMFILE), and the probes built until then give their sockets back.
TEST_F(HostileTargetMgr, MoreTargetsThanDescriptorsThrowsAndLeaksNothing) {
    QV_SKIP_WHERE_SANITIZER_NEEDS_DESCRIPTORS();
    dir_.Write("config.ini", ManyLines(500));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int before = test::OpenDescriptorCount();
    rlimit low = saved;
    low.rlim_cur = static_cast<rlim_t>(before + 100);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    try {
        DelayTimeMgr manager(dir_ / "config.ini");
        ADD_FAILURE() << "built " << manager.probes.size() << " probes past the descriptor limit";
    } catch (const boost::system::system_error& e) {
        EXPECT_EQ(e.code(), boost::system::error_code(EMFILE, boost::system::system_category()));
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(test::OpenDescriptorCount(), before);
}

// Texts that are no IPv4 address or name: IPv6 literals, words, five numbers, a comment marker
// after spaces. Each becomes a probe that sends nothing and shows full loss for good.
TEST_F(HostileTargetMgr, TextsThatAreNoIpv4TargetGiveInertFullyLostProbes) {
    const Targets texts = {"::1", "not an address!", "fe80::1%lo", "1.2.3.4.5", "  #x"};
    std::string list;
    for (const auto& text : texts) list += text + "\n";
    dir_.Write("config.ini", list);

    std::string why;
    auto host = test::TestHost::Create(&why);
    if (!host) QV_SKIP_OR_FAIL(why);
    // Resolve inside the test host's namespace: it reaches no name server, so no lookup leaves
    // this machine and each fails at once.
    std::unique_ptr<DelayTimeMgr> manager;
    std::thread inside([&] {
        const int fd = host->OpenNamespace();
        ASSERT_EQ(::setns(fd, CLONE_NEWNET), 0);
        ::close(fd);
        manager = std::make_unique<DelayTimeMgr>(dir_ / "config.ini");
    });
    inside.join();
    ASSERT_TRUE(manager);
    ASSERT_EQ(manager->probes.size(), texts.size());

    manager->Start();
    std::this_thread::sleep_for(300ms);
    manager->Stop();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const DelayTimeProbe& probe = *manager->probes[i];
        SCOPED_TRACE(texts[i]);
        EXPECT_EQ(probe.hostText, texts[i]);
        EXPECT_EQ(probe.LossPercent(), 100);
        EXPECT_EQ(probe.lostCount, 1u);
        EXPECT_EQ(probe.replyCount, 0u);
        EXPECT_EQ(probe.minDelayMs, 99999u);
        EXPECT_EQ(probe.maxDelayMs, 0u);
    }
    EXPECT_EQ(dir_.Read("config.ini"), list);
}

}  // namespace
}  // namespace quorvex
