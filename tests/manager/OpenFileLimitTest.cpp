// RaiseOpenFileLimit against the real RLIMIT_NOFILE of the test process. Each test lowers the
// soft limit to a known value first and puts the original limits back afterwards.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "manager/DelayTimeMgr.h"
#include "manager/OpenFileLimit.h"
#include "tests/support/Require.h"
#include "tests/support/TempDir.h"

namespace quorvex {
namespace {

rlimit CurrentLimit() {
    rlimit limit{};
    EXPECT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    return limit;
}

class OpenFileLimitTest : public testing::Test {
protected:
    static constexpr rlim_t kLowSoft = 256;

    void SetUp() override {
        original_ = CurrentLimit();
        if (original_.rlim_max != RLIM_INFINITY && original_.rlim_max < 4 * kLowSoft)
            GTEST_SKIP() << "hard open-file limit " << original_.rlim_max << " is too low";
        const rlimit low{kLowSoft, original_.rlim_max};
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    }
    void TearDown() override { ::setrlimit(RLIMIT_NOFILE, &original_); }

    std::size_t Hard() const {
        return original_.rlim_max == RLIM_INFINITY ? std::numeric_limits<std::size_t>::max()
                                                   : static_cast<std::size_t>(original_.rlim_max);
    }

    rlimit original_{};
};

TEST_F(OpenFileLimitTest, RaisesTheSoftLimitToWhatIsNeededButNeverLowersItOrPassesTheHardLimit) {
    struct Case {
        const char* name;
        std::size_t needed;
        std::size_t expected;
    };
    std::vector<Case> cases = {
        {"needs fewer than the soft limit: unchanged", 100, kLowSoft},
        {"needs exactly the soft limit: unchanged", kLowSoft, kLowSoft},
        {"needs one more than the soft limit", kLowSoft + 1, kLowSoft + 1},
        {"needs several times the soft limit", 3 * kLowSoft, 3 * kLowSoft},
    };
    if (original_.rlim_max != RLIM_INFINITY)
        cases.push_back(
            {"needs more than the hard limit: capped at the hard limit", Hard() + 1000, Hard()});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const rlimit low{kLowSoft, original_.rlim_max};
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
        EXPECT_EQ(RaiseOpenFileLimit(c.needed), c.expected);
        const rlimit after = CurrentLimit();
        EXPECT_EQ(static_cast<std::size_t>(after.rlim_cur), c.expected);
        EXPECT_EQ(after.rlim_max, original_.rlim_max) << "the hard limit never changes";
    }
}

TEST_F(OpenFileLimitTest, ARaisedLimitLetsAManagerOpenMoreProbesThanTheOldSoftLimit) {
    QV_REQUIRE_NETWORK_PRIVILEGES();
    QV_SKIP_WHERE_SANITIZER_NEEDS_DESCRIPTORS();
    constexpr std::size_t kTargets = 2 * kLowSoft;
    std::string list;
    for (std::size_t i = 0; i < kTargets; ++i)
        list += "127.0." + std::to_string(60 + i / 250) + "." + std::to_string(1 + i % 250) + "\n";
    test::TempDir dir;
    dir.Write("config.ini", list);

    EXPECT_THROW(DelayTimeMgr{dir / "config.ini"}, boost::system::system_error)
        << "without raising, the soft limit of " << kLowSoft << " runs out first";
    ASSERT_GE(RaiseOpenFileLimit(DescriptorsForTargets(kTargets)), DescriptorsForTargets(kTargets));
    DelayTimeMgr manager(dir / "config.ini");
    EXPECT_EQ(manager.probes.size(), kTargets);
}

}  // namespace
}  // namespace quorvex
