// Accuracy: the average delay a probe manager records for a namespace test host whose
// responder answers after D ms, next to the mean iputils ping measures on the same host at the
// same time; then the same while the manager also probes many loopback targets.
//
// Usage: accuracy [--delays 1,20,200] [--pings 40] [--others 1000] [--header yes]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchTargets.h"
#include "bench/Options.h"
#include "bench/ProcessStats.h"
#include "manager/DelayTimeMgr.h"
#include "tests/support/Responder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost.h"

namespace {

struct PingResult {
    unsigned received = 0;
    double averageMs = -1;  // negative: no rtt line
};

// iputils ping's summary: "N packets transmitted, R received, ..." and
// "rtt min/avg/max/mdev = 1.067/1.104/1.261/0.034 ms".
PingResult ReadPingSummary(const std::string& text) {
    PingResult result;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        unsigned sent = 0, received = 0;
        double min = 0, avg = 0;
        if (std::sscanf(line.c_str(), "%u packets transmitted, %u received", &sent, &received) == 2)
            result.received = received;
        else if (std::sscanf(line.c_str(), "rtt min/avg/max/mdev = %lf/%lf/", &min, &avg) == 2)
            result.averageMs = avg;
    }
    return result;
}

std::vector<int> Delays(const std::string& list) {
    std::vector<int> delays;
    std::istringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) delays.push_back(std::stoi(item));
    return delays;
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = quorvex::bench::ParseOptions(
        argc, argv,
        {{"--delays", "1,20,200"}, {"--pings", "40"}, {"--others", "1000"}, {"--header", "no"}},
        "accuracy");
    if (!parsed) return 2;
    auto opt = *parsed;
    const int pings = std::stoi(opt["--pings"]);
    const std::size_t others = std::stoul(opt["--others"]);
    if (!quorvex::bench::EnoughDescriptorsFor(others + 1, "accuracy")) return 3;

    std::string why;
    auto host = quorvex::test::TestHost::Create(&why);
    if (!host) {
        std::fprintf(stderr, "accuracy: %s\n", why.c_str());
        return 1;
    }
    if (opt["--header"] == "yes")
        std::printf("%6s %7s %14s %12s %8s %14s %10s\n", "D ms", "others", "quorvex mean",
                    "shown avg", "replies", "ping mean", "diff ms");

    quorvex::test::TempDir dir;
    for (const int delay : Delays(opt["--delays"])) {
        for (const std::size_t load : {std::size_t{0}, others}) {
            quorvex::test::Responder responder(
                *host, quorvex::test::AnswerAfter(std::chrono::milliseconds(delay)));
            if (!responder.Error().empty()) {
                std::fprintf(stderr, "accuracy: %s\n", responder.Error().c_str());
                return 1;
            }
            dir.Write("config.ini",
                      host->Address() + "\n" +
                          quorvex::bench::TargetListText(quorvex::bench::LoopbackTargets(load, 2)));
            quorvex::DelayTimeMgr manager(dir / "config.ini");
            manager.Start();
            // -n: no name lookups; -q: only the summary. Bounded by -c and -w.
            quorvex::bench::Child ping(
                {"ping", "-n", "-q", "-i", "0.5", "-c", std::to_string(pings), "-w",
                 std::to_string(pings + 10), host->Address()},
                dir / "ping.out");
            if (!ping.Error().empty()) {
                std::fprintf(stderr, "accuracy: %s\n", ping.Error().c_str());
                return 1;
            }
            const bool pingOk = ping.Wait();
            manager.Stop();
            const PingResult p = ReadPingSummary(ping.Output());
            if (!pingOk || p.averageMs < 0) {
                std::fprintf(stderr, "accuracy: ping failed:\n%s\n", ping.Output().c_str());
                return 1;
            }
            const auto& probe = *manager.probes.front();
            const std::uint64_t replies = probe.replyCount, total = probe.totalDelayMs;
            if (replies == 0) {
                std::fprintf(stderr, "accuracy: no reply recorded for %s\n",
                             probe.hostText.c_str());
                return 1;
            }
            const double mean = static_cast<double>(total) / static_cast<double>(replies);
            std::printf("%6d %7zu %14.3f %9llu ms %8llu %10.3f (%u) %+10.3f\n", delay, load, mean,
                        static_cast<unsigned long long>(total / replies),
                        static_cast<unsigned long long>(replies), p.averageMs, p.received,
                        mean - p.averageMs);
            std::fflush(stdout);
        }
    }
    return 0;
}
