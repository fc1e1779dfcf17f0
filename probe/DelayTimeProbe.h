// One target's prober: resolves the target once, then keeps exactly one ICMP Echo Request in
// flight on a raw socket of its own and keeps the delay statistics the window shows.
//
//   construction (UI thread): open socket -> resolve -> send request 1 -> start receiving
//   worker thread:  send -> [reply within 5 s] -> record delay -> pause 500 ms -> send ...
//                        -> [no reply in 5 s]   -> count a loss  -> send at once ...
//
// All completions run on the thread that runs the I/O service; the statistics are Statistic
// fields, so other threads may read them at any time.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "probe/Asio.h"
#include "probe/Statistic.h"

namespace quorvex {

// Percentage of `lost` requests among lost + replied ones, truncated (not rounded): 0 to 100.
int LossPercentOf(std::uint64_t lost, std::uint64_t replies);

class DelayTimeProbe {
public:
    using Clock = std::chrono::steady_clock;

    // Opens the raw socket (throws boost::system::system_error when it cannot), resolves
    // targetText and starts the first exchange. Every other start-up failure leaves an inert
    // probe that shows one lost request.
    DelayTimeProbe(boost::asio::io_context& ioService, std::string targetText);
    DelayTimeProbe(const DelayTimeProbe&) = delete;
    DelayTimeProbe& operator=(const DelayTimeProbe&) = delete;

    // Percentage of requests lost, truncated: 0 to 100.
    int LossPercent() const;

    // The ICMP identifier of every request of this process: the low 16 bits of its pid.
    static std::uint16_t Identifier();

private:
    friend struct DelayTimeProbeTestPeer;

    DelayTimeProbe(boost::asio::io_context& ioService, std::string targetText,
                   std::uint16_t lastSequenceNumber);

    void SendEchoRequest();
    void OnSendDone(const boost::system::error_code& error);
    void OnReplyTimer(const boost::system::error_code& error);
    void ReceiveNext();
    void OnReceive(std::size_t bytesReceived, const boost::system::error_code& error);
    void RecordDelay(std::uint32_t delayMs);
    // Narrows the socket to what OnReceive could match: datagrams from the target, Echo Replies.
    void NarrowSocketToTarget();

    boost::asio::ip::icmp::resolver hostResolver;
    boost::asio::ip::icmp::endpoint targetEndpoint;  // where requests go
    boost::asio::ip::icmp::endpoint senderEndpoint;  // sender of the latest datagram
    boost::asio::ip::icmp::socket icmpSocket;
    boost::asio::steady_timer replyTimer;  // the 5 s reply timeout and the 500 ms pause, in turn
    Clock::time_point sendTime;            // when the request in flight was sent
    boost::asio::streambuf receiveBuffer;

public:
    // The target as written in the target list.
    const std::string hostText;
    Statistic<std::uint64_t> totalDelayMs{0};  // sum of recorded delays
    Statistic<std::uint64_t> lostCount{0};     // requests whose 5 s timeout ran out
    Statistic<std::uint64_t> replyCount{0};    // number of recorded delays
    Statistic<std::uint32_t> maxDelayMs{0};
    Statistic<std::uint32_t> minDelayMs{99999};  // 99999 until the first delay is recorded
    Statistic<std::uint32_t> lastDelayMs{0};

private:
    std::uint16_t sequenceNumber;  // of the latest request sent; wraps from 65535 to 0
};

}  // namespace quorvex
