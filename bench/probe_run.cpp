// Runs a probe manager over loopback targets and namespace test hosts for a given time and
// samples the process: RSS, open descriptors and CPU time. At the end it checks every probe's
// counts against what really happened and prints one verdict line; the exit status is non-zero
// when a check fails. With --flood it starts the junk sender (flood) as a second process while
// the probes run.
//
// Usage: probe_run [--loopback N] [--hosts M] [--drop-every K] [--seconds S] [--interval I]
//                  [--flood PROGRAM --flood-rate R --flood-seconds F]
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/Options.h"
#include "bench/ProcessStats.h"
#include "manager/DelayTimeMgr.h"
#include "tests/support/Responder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

long RssKiB() { return quorvex::bench::RssKiB(::getpid()); }
int Descriptors() { return quorvex::bench::Descriptors(::getpid()); }
double CpuSeconds() { return quorvex::bench::SelfCpuSeconds(); }

struct Sample {
    double at, cpu;
    long rss;
    int fds;
};

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = quorvex::bench::ParseOptions(argc, argv,
                                                     {{"--loopback", "190"},
                                                      {"--hosts", "10"},
                                                      {"--drop-every", "10"},
                                                      {"--seconds", "600"},
                                                      {"--interval", "10"},
                                                      {"--flood", ""},
                                                      {"--flood-rate", "50000"},
                                                      {"--flood-seconds", "30"}},
                                                     "probe_run");
    if (!parsed) return 2;
    auto opt = *parsed;
    const int loopback = std::stoi(opt["--loopback"]), hosts = std::stoi(opt["--hosts"]);
    const int dropEvery = std::stoi(opt["--drop-every"]);
    const double seconds = std::stod(opt["--seconds"]), interval = std::stod(opt["--interval"]);

    // The test hosts and their responders: every dropEvery-th request goes unanswered.
    std::vector<std::unique_ptr<quorvex::test::TestHost>> testHosts;
    std::vector<std::unique_ptr<quorvex::test::Responder>> responders;
    for (int i = 0; i < hosts; ++i) {
        std::string why;
        testHosts.push_back(quorvex::test::TestHost::Create(&why));
        if (!testHosts.back()) {
            std::fprintf(stderr, "probe_run: %s\n", why.c_str());
            return 1;
        }
        responders.push_back(std::make_unique<quorvex::test::Responder>(
            *testHosts.back(), [dropEvery](const quorvex::test::SeenRequest&, std::size_t index) {
                if (dropEvery > 0 && index % dropEvery == static_cast<std::size_t>(dropEvery - 1))
                    return std::vector<quorvex::test::Answer>{};
                return std::vector<quorvex::test::Answer>{quorvex::test::Answer{}};
            }));
        if (!responders.back()->Error().empty()) {
            std::fprintf(stderr, "probe_run: %s\n", responders.back()->Error().c_str());
            return 1;
        }
    }

    quorvex::test::TempDir dir;
    std::string list, floodTargets;
    for (int i = 0; i < loopback; ++i) {
        const std::string a =
            "127.0." + std::to_string(20 + i / 250) + "." + std::to_string(1 + i % 250);
        list += a + "\n";
    }
    for (const auto& h : testHosts) list += h->Address() + "\n";
    dir.Write("config.ini", list);

    const auto started = Clock::now();
    quorvex::DelayTimeMgr manager(dir / "config.ini");
    manager.Start();
    std::printf(
        "probe_run: %zu probes (%d loopback, %d test hosts dropping every %d-th request), "
        "%.0f s, identifier %u\n",
        manager.probes.size(), loopback, hosts, dropEvery, seconds,
        quorvex::DelayTimeProbe::Identifier());

    pid_t flood = -1;
    double floodCpuFrom = 0;
    if (!opt["--flood"].empty()) {
        std::vector<std::string> args = {opt["--flood"], opt["--flood-rate"],
                                         opt["--flood-seconds"],
                                         std::to_string(quorvex::DelayTimeProbe::Identifier())};
        for (int i = 0; i < loopback; ++i) args.push_back(manager.probes[i]->hostText);
        for (const auto& h : testHosts) args.push_back(h->Address() + "@" + h->LocalAddress());
        std::vector<char*> argvFlood;
        for (auto& a : args) argvFlood.push_back(a.data());
        argvFlood.push_back(nullptr);
        std::this_thread::sleep_for(2s);  // let every probe get its first replies
        floodCpuFrom = CpuSeconds();
        if (::posix_spawn(&flood, args[0].c_str(), nullptr, nullptr, argvFlood.data(), environ) !=
            0) {
            std::fprintf(stderr, "probe_run: cannot start %s\n", args[0].c_str());
            return 1;
        }
    }

    std::vector<Sample> samples;
    std::printf("%8s %10s %6s %8s %10s %8s\n", "t/s", "RSS/KiB", "fds", "CPU/s", "replies", "lost");
    auto next = started;
    for (;;) {
        const double at = std::chrono::duration<double>(Clock::now() - started).count();
        std::uint64_t replies = 0, lost = 0;
        for (const auto& p : manager.probes) replies += p->replyCount, lost += p->lostCount;
        samples.push_back({at, CpuSeconds(), RssKiB(), Descriptors()});
        std::printf("%8.1f %10ld %6d %8.2f %10llu %8llu\n", at, samples.back().rss,
                    samples.back().fds, samples.back().cpu,
                    static_cast<unsigned long long>(replies),
                    static_cast<unsigned long long>(lost));
        std::fflush(stdout);
        if (at >= seconds) break;
        next +=
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(interval));
        std::this_thread::sleep_until(
            std::min(next, started + std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(seconds))));
    }
    if (flood > 0) {
        int status = 0;
        ::waitpid(flood, &status, 0);
        std::printf("probe_run: CPU of this process while the flood ran: %.2f s\n",
                    CpuSeconds() - floodCpuFrom);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("probe_run: FAIL flood ended with status %d\n", status);
            return 1;
        }
    }
    manager.Stop();
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();

    // Checks. Loopback answers every request: no loss, and at most one reply per 500 ms pause.
    // At a test host the responder saw every request sent; the reply to request 1 is not
    // recorded and one request may still be in flight, so sent - (replies + lost) is 0, 1 or 2,
    // and the dropped requests are the lost ones, but for one still waiting for its timeout.
    int bad = 0;
    for (int i = 0; i < loopback; ++i) {
        const auto& p = *manager.probes[i];
        if (p.lostCount != 0 || p.replyCount == 0 || p.replyCount > elapsed / 0.5 + 1 ||
            p.maxDelayMs >= 1000) {
            ++bad;
            std::printf("  inconsistent: %s replies %llu lost %llu max %u ms\n", p.hostText.c_str(),
                        static_cast<unsigned long long>(p.replyCount.Load()),
                        static_cast<unsigned long long>(p.lostCount.Load()), p.maxDelayMs.Load());
        }
    }
    std::uint64_t hostSent = 0, hostLost = 0;
    for (int i = 0; i < hosts; ++i) {
        const auto& p = *manager.probes[loopback + i];
        const auto requests = responders[i]->Requests();
        std::uint64_t dropped = 0;
        for (std::size_t k = 0; k < requests.size(); ++k)
            if (dropEvery > 0 && k % dropEvery == static_cast<std::size_t>(dropEvery - 1))
                ++dropped;
        const std::uint64_t sent = requests.size(), counted = p.replyCount + p.lostCount;
        hostSent += sent;
        hostLost += p.lostCount;
        const bool ok = counted <= sent && sent - counted <= 2 && p.lostCount <= dropped &&
                        dropped - p.lostCount <= 1;
        std::printf("  %s: sent %llu, replies %llu, lost %llu, dropped %llu, loss %d %% -> %s\n",
                    p.hostText.c_str(), static_cast<unsigned long long>(sent),
                    static_cast<unsigned long long>(p.replyCount.Load()),
                    static_cast<unsigned long long>(p.lostCount.Load()),
                    static_cast<unsigned long long>(dropped), p.LossPercent(),
                    ok ? "consistent" : "INCONSISTENT");
        if (!ok) ++bad;
    }
    // Flat: after the first minute (or the first sample), RSS grows by less than 1 MiB and the
    // descriptor count stays the same.
    const Sample& first = samples.size() > 6 ? samples[6] : samples.front();
    const Sample& last = samples.back();
    const bool flat = last.rss - first.rss < 1024 && last.fds == first.fds;
    std::printf("probe_run: RSS %ld -> %ld KiB, fds %d -> %d (from t=%.0f s): %s\n", first.rss,
                last.rss, first.fds, last.fds, first.at, flat ? "flat" : "GROWING");
    std::printf(
        "probe_run: CPU %.2f s in %.0f s (%.2f %% of one core); test hosts: %llu sent, "
        "%llu lost\n",
        last.cpu, elapsed, 100.0 * last.cpu / elapsed, static_cast<unsigned long long>(hostSent),
        static_cast<unsigned long long>(hostLost));
    std::printf("probe_run: %s (%d inconsistent probes of %zu)\n",
                bad == 0 && flat ? "PASS" : "FAIL", bad, manager.probes.size());
    return bad == 0 && flat ? 0 : 1;
}
