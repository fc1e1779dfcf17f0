// Test access to the probe manager: its I/O service, and the probe factory GetInstance uses.
#pragma once

#include <utility>

#include "manager/DelayTimeMgr.h"

namespace quorvex {

struct DelayTimeMgrTestPeer {
    static boost::asio::io_context& IoService(DelayTimeMgr& manager) { return manager.ioService; }
    static void SetInstanceProbeFactory(DelayTimeMgr::ProbeFactory factory) {
        DelayTimeMgr::InstanceProbeFactory() = std::move(factory);
    }
};

}  // namespace quorvex
