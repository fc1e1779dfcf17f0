// Test access to a probe's sequence counter, so the 16-bit wrap is reachable without sending
// 65535 real requests.
#pragma once

#include <memory>
#include <string>

#include "probe/DelayTimeProbe.h"

namespace quorvex {

struct DelayTimeProbeTestPeer {
    // A probe whose first request carries lastSequenceNumber + 1.
    static std::unique_ptr<DelayTimeProbe> MakeStartingAfter(boost::asio::io_context& io,
                                                             std::string target,
                                                             std::uint16_t lastSequenceNumber) {
        return std::unique_ptr<DelayTimeProbe>(
            new DelayTimeProbe(io, std::move(target), lastSequenceNumber));
    }
};

}  // namespace quorvex
