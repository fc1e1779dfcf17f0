#include "manager/DelayTimeMgr.h"

namespace quorvex {

DelayTimeMgr& DelayTimeMgr::GetInstance() {
    // Destroyed at normal process exit, after the application has stopped the worker.
    static std::unique_ptr<DelayTimeMgr> instance;
    if (!instance)
        instance = std::make_unique<DelayTimeMgr>(kTargetListFile, InstanceProbeFactory());
    return *instance;
}

DelayTimeMgr::ProbeFactory& DelayTimeMgr::InstanceProbeFactory() {
    static ProbeFactory factory = MakeProbe;
    return factory;
}

std::unique_ptr<DelayTimeProbe> DelayTimeMgr::MakeProbe(boost::asio::io_context& io,
                                                        const std::string& target) {
    return std::make_unique<DelayTimeProbe>(io, target);
}

DelayTimeMgr::DelayTimeMgr(const std::filesystem::path& targetList, const ProbeFactory& makeProbe)
    : keepRunning(boost::asio::make_work_guard(ioService)),
      probes(BuildProbes(ioService, targetList, makeProbe)) {}

std::vector<std::unique_ptr<DelayTimeProbe>> DelayTimeMgr::BuildProbes(
    boost::asio::io_context& io, const std::filesystem::path& targetList,
    const ProbeFactory& makeProbe) {
    // Should a probe throw, the ones built so far die with this vector, while `io` still exists.
    std::vector<std::unique_ptr<DelayTimeProbe>> built;
    LoadTargetList([&](const std::string& target) { built.push_back(makeProbe(io, target)); },
                   targetList);
    return built;
}

DelayTimeMgr::~DelayTimeMgr() { Stop(); }

void DelayTimeMgr::Start() {
    if (running || workerThread) return;
    running = true;
    workerThread = std::make_unique<std::thread>([this] { Run(); });
}

void DelayTimeMgr::Stop() {
    if (!running && !workerThread) return;
    running = false;
    ioService.stop();
    if (workerThread) {
        workerThread->join();
        workerThread.reset();
    }
}

void DelayTimeMgr::Run() {
    while (running) {
        try {
            ioService.run();
        } catch (...) {
            // A handler threw: drop it and run again; the I/O service was not stopped, so the
            // other probes carry on.
        }
    }
}

}  // namespace quorvex
