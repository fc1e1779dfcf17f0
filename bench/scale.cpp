// Scale and cost: a probe manager over N loopback targets for S seconds, then fping over the
// same targets for the same time, one after the other in this process's run. Prints one line
// per tool with CPU per target per minute, peak RSS, descriptors, start-up time and loss.
//
// Usage: scale --targets N [--seconds S] [--fping yes|no] [--header yes]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "bench/BenchTargets.h"
#include "bench/Options.h"
#include "bench/ProcessStats.h"
#include "manager/DelayTimeMgr.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Row {
    const char* tool;
    std::size_t targets;
    double seconds, cpuSeconds;
    long peakRssKiB;
    int descriptors;
    double startupMs;  // negative: not measured
    std::size_t withoutLoss;
    double repliesPerTargetMinute;
};

void PrintHeader() {
    std::printf("%-8s %6s %6s %12s %10s %10s %6s %10s %11s %12s\n", "tool", "N", "s",
                "CPU ms/t/min", "peak MiB", "KiB/target", "fds", "start ms", "0% loss",
                "replies/t/min");
}

void Print(const Row& r) {
    const double perMinute = 60.0 / r.seconds;
    char startup[32] = "-";
    if (r.startupMs >= 0) std::snprintf(startup, sizeof startup, "%.1f", r.startupMs);
    std::printf("%-8s %6zu %6.0f %12.3f %10.1f %10.2f %6d %10s %5zu/%-5zu %12.1f\n", r.tool,
                r.targets, r.seconds, 1000.0 * r.cpuSeconds / r.targets * perMinute,
                r.peakRssKiB / 1024.0, static_cast<double>(r.peakRssKiB) / r.targets, r.descriptors,
                startup, r.withoutLoss, r.targets, r.repliesPerTargetMinute);
    std::fflush(stdout);
}

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// fping's summary line per target, on stderr at its end: "addr : xmt/rcv/%loss = 120/120/0%, ..."
void ReadFpingSummary(const std::string& text, std::size_t* withoutLoss, std::uint64_t* received) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto at = line.find("xmt/rcv/%loss = ");
        if (at == std::string::npos) continue;
        unsigned long long xmt = 0, rcv = 0;
        if (std::sscanf(line.c_str() + at, "xmt/rcv/%%loss = %llu/%llu/", &xmt, &rcv) != 2)
            continue;
        *received += rcv;
        // The request in flight when fping is interrupted is not a loss.
        if (rcv > 0 && xmt - rcv <= 1) ++*withoutLoss;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = quorvex::bench::ParseOptions(
        argc, argv,
        {{"--targets", "100"}, {"--seconds", "60"}, {"--fping", "yes"}, {"--header", "no"}},
        "scale");
    if (!parsed) return 2;
    auto opt = *parsed;
    const std::size_t n = std::stoul(opt["--targets"]);
    const double seconds = std::stod(opt["--seconds"]);
    if (n == 0 || seconds <= 0) {
        std::fprintf(stderr, "scale: --targets and --seconds must be positive\n");
        return 2;
    }
    if (!quorvex::bench::EnoughDescriptorsFor(n, "scale")) return 3;
    if (opt["--header"] == "yes") PrintHeader();

    const auto targets = quorvex::bench::LoopbackTargets(n);
    quorvex::test::TempDir dir;
    dir.Write("config.ini", quorvex::bench::TargetListText(targets));
    const pid_t self = ::getpid();

    {
        const int fdsBefore = quorvex::bench::Descriptors(self);
        const auto t0 = Clock::now();
        quorvex::DelayTimeMgr manager(dir / "config.ini");
        const double startupMs =
            std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        const int descriptors = quorvex::bench::Descriptors(self) - fdsBefore;
        const double cpuFrom = quorvex::bench::SelfCpuSeconds();
        const auto runFrom = Clock::now();
        manager.Start();
        Sleep(seconds);
        const double cpu = quorvex::bench::SelfCpuSeconds() - cpuFrom;
        const double ran = std::chrono::duration<double>(Clock::now() - runFrom).count();
        manager.Stop();
        std::size_t withoutLoss = 0;
        std::uint64_t replies = 0;
        for (const auto& p : manager.probes) {
            if (p->LossPercent() == 0 && p->replyCount > 0) ++withoutLoss;
            replies += p->replyCount;
        }
        Print({"quorvex", n, ran, cpu, quorvex::bench::PeakRssKiB(self), descriptors, startupMs,
               withoutLoss, static_cast<double>(replies) / n * 60.0 / ran});
    }

    if (opt["--fping"] == "yes") {
        // -i spaces the sends to all targets; the default of 10 ms cannot send 2 per second to
        // more than 50 targets, so it is set to fit N targets into the 500 ms period.
        char interval[32];
        std::snprintf(interval, sizeof interval, "%g", std::min(10.0, 250.0 / n));
        // -Q 3600: no line per reply (as quiet as Quorvex); the summary comes at the end.
        std::vector<std::string> args = {"fping", "-l", "-p",     "500", "-t",
                                         "5000",  "-i", interval, "-Q",  "3600"};
        args.insert(args.end(), targets.begin(), targets.end());
        quorvex::bench::Child fping(args, dir / "fping.out");
        if (!fping.Error().empty()) {
            std::fprintf(stderr, "scale: %s\n", fping.Error().c_str());
            return 1;
        }
        const auto runFrom = Clock::now();
        Sleep(seconds);
        const int descriptors = quorvex::bench::Descriptors(fping.Pid());
        // Read here, not from wait4: a child's ru_maxrss includes the pages of this process it
        // shared until exec.
        const long peakRssKiB = quorvex::bench::PeakRssKiB(fping.Pid());
        fping.Signal(SIGINT);
        fping.Wait();  // fping exits non-zero when any target missed a reply; the summary says
        const double ran = std::chrono::duration<double>(Clock::now() - runFrom).count();
        std::size_t withoutLoss = 0;
        std::uint64_t received = 0;
        ReadFpingSummary(fping.Output(), &withoutLoss, &received);
        if (received == 0) {
            // fping 5.1 keeps each sequence number for 10 s and gives up when 65536 are not
            // enough: past about 3000 targets at 2 requests per second. That is a result.
            const std::string output = fping.Output();
            if (output.empty()) {
                std::fprintf(stderr, "scale: fping did not run\n");
                return 1;
            }
            std::printf("%-8s %6zu gave up: %s", "fping", n, output.c_str());
            return 0;
        }
        Print({"fping", n, ran, fping.CpuSeconds(), peakRssKiB, descriptors, -1, withoutLoss,
               static_cast<double>(received) / n * 60.0 / ran});
    }
    return 0;
}
