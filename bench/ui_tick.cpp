// The window's refresh cost: a CQuorvexDlg over a probe manager with N loopback targets on Qt's
// offscreen platform. Times one refresh tick (OnTimer: read every probe, format, rewrite the
// model) and one paint of the visible rows, repeatedly, while the probes run; then lets the
// real 1 s timer drive the window and measures the UI thread's CPU time per second.
//
// Usage: ui_tick --rows N [--ticks K] [--seconds S] [--header yes]
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchTargets.h"
#include "bench/Options.h"
#include "bench/ProcessStats.h"
#include "manager/DelayTimeMgr.h"
#include "tests/support/TempDir.h"
#include "ui/CQuorvexDlg.h"

namespace {

struct Spread {
    double median, p95;
};

Spread SpreadOf(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) {
        return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * (ms.size() - 1) + 0.5))];
    };
    return {at(0.5), at(0.95)};
}

template <typename F>
double TimeMs(F&& f) {
    QElapsedTimer timer;
    timer.start();
    f();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Runs the event loop for `seconds`, so timers fire and pending paints happen.
void RunEvents(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = quorvex::bench::ParseOptions(
        argc, argv,
        {{"--rows", "1000"}, {"--ticks", "50"}, {"--seconds", "10"}, {"--header", "no"}},
        "ui_tick");
    if (!parsed) return 2;
    auto opt = *parsed;
    const std::size_t rows = std::stoul(opt["--rows"]);
    const int ticks = std::max(1, std::stoi(opt["--ticks"]));
    const double seconds = std::stod(opt["--seconds"]);
    if (!quorvex::bench::EnoughDescriptorsFor(rows, "ui_tick")) return 3;

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The window builds its manager from config.ini of the working directory.
    quorvex::test::TempDir dir;
    dir.Write("config.ini",
              quorvex::bench::TargetListText(quorvex::bench::LoopbackTargets(rows, 3)));
    quorvex::test::ScopedWorkingDirectory cwd(dir.Path());

    int status = 0;
    {
        quorvex::CQuorvexDlg window;
        const double initMs = TimeMs([&] { window.OnInitDialog(); });
        window.show();
        RunEvents(1.5);  // first replies in, first paint done

        std::vector<double> tickMs, paintMs;
        QWidget* viewport = window.Table()->viewport();
        for (int i = 0; i < ticks; ++i) {
            tickMs.push_back(
                TimeMs([&] { window.OnTimer(quorvex::CQuorvexDlg::kRefreshTimerId); }));
            paintMs.push_back(TimeMs([&] { viewport->repaint(); }));
            QApplication::processEvents();
        }
        const Spread tick = SpreadOf(tickMs), paint = SpreadOf(paintMs);

        // The real timer drives the refresh; every tick's repaint happens in the event loop.
        const double cpuFrom = quorvex::bench::ThreadCpuSeconds();
        const auto wallFrom = std::chrono::steady_clock::now();
        RunEvents(seconds);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallFrom).count();
        const double share = (quorvex::bench::ThreadCpuSeconds() - cpuFrom) / wall;

        if (opt["--header"] == "yes")
            std::printf("%7s %9s %10s %10s %10s %10s %12s %7s\n", "rows", "init ms", "tick med",
                        "tick p95", "paint med", "paint p95", "UI CPU %/s", "ticks");
        std::printf("%7d %9.1f %10.3f %10.3f %10.3f %10.3f %12.3f %7d\n",
                    window.Table()->model()->rowCount(), initMs, tick.median, tick.p95,
                    paint.median, paint.p95, 100.0 * share, ticks);
        if (static_cast<std::size_t>(window.Table()->model()->rowCount()) != rows) status = 1;
    }
    quorvex::DelayTimeMgr::GetInstance().Stop();
    return status;
}
