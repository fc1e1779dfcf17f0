// The one probe manager: owns the I/O service, one probe per target line and the worker thread.
//
//   GetInstance (UI thread) -> reads the target list -> one DelayTimeProbe per target, each
//   resolved and with its first request out -> Start: the worker thread runs the I/O service,
//   and with it every completion of every probe -> Stop: the I/O service stops, the worker joins.
//
// The probe list is complete before Start and never changes, so the UI thread walks it and reads
// the probes' statistics without a lock while the worker runs.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "manager/TargetList.h"
#include "probe/Asio.h"
#include "probe/DelayTimeProbe.h"

namespace quorvex {

class DelayTimeMgr {
public:
    using ProbeFactory = std::function<std::unique_ptr<DelayTimeProbe>(boost::asio::io_context&,
                                                                       const std::string&)>;

    // The process's manager, built on the first call from "config.ini" of the working directory.
    // A construction that throws leaves no manager; the next call tries again from the start.
    static DelayTimeMgr& GetInstance();

    // Reads `targetList` and builds one probe per target in file order, each complete before the
    // next line is read. Throws what a probe's construction throws (boost::system::system_error
    // when a raw socket cannot be opened); the probes built until then are destroyed first.
    explicit DelayTimeMgr(const std::filesystem::path& targetList = kTargetListFile,
                          const ProbeFactory& makeProbe = MakeProbe);
    // Stops the worker if it still runs, then destroys the probes before the I/O service.
    ~DelayTimeMgr();
    DelayTimeMgr(const DelayTimeMgr&) = delete;
    DelayTimeMgr& operator=(const DelayTimeMgr&) = delete;

    // Starts the worker thread; does nothing when it was started before.
    void Start();
    // Stops the I/O service and joins the worker; returns at once when nothing was started.
    void Stop();

    static std::unique_ptr<DelayTimeProbe> MakeProbe(boost::asio::io_context& io,
                                                     const std::string& target);

private:
    friend struct DelayTimeMgrTestPeer;

    void Run();
    static std::vector<std::unique_ptr<DelayTimeProbe>> BuildProbes(
        boost::asio::io_context& io, const std::filesystem::path& targetList,
        const ProbeFactory& makeProbe);

    // What GetInstance builds its probes with; tests may replace it.
    static ProbeFactory& InstanceProbeFactory();

    boost::asio::io_context ioService;
    // Keeps run() blocked while no probe has work (an empty list, no target resolved), so the
    // worker sleeps instead of spinning until Stop.
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> keepRunning;

public:
    // One probe per target line, in file order; row i of the window belongs to entry i. Declared
    // after the I/O service so the probes go first.
    const std::vector<std::unique_ptr<DelayTimeProbe>> probes;

private:
    std::atomic<bool> running{false};
    std::unique_ptr<std::thread> workerThread;
};

}  // namespace quorvex
