#include "probe/DelayTimeProbe.h"

#include <linux/icmp.h>
#include <netinet/in.h>
#include <unistd.h>

#include <istream>
#include <memory>

#include "probe/EchoMessage.h"

namespace quorvex {

namespace {

constexpr auto kReplyTimeout = std::chrono::seconds(5);
constexpr auto kPauseAfterReply = std::chrono::milliseconds(500);
constexpr std::size_t kReceiveWindow = 65536;

// A connected raw socket learns of ICMP errors about its own requests (for instance a Port or
// Protocol Unreachable sent back by the target) as a pending socket error, which the next
// receive reports once and clears. The socket itself is still fine.
bool IsReportedIcmpError(const boost::system::error_code& error) {
    if (error.category() != boost::system::system_category()) return false;
    switch (error.value()) {
        case ECONNREFUSED:
        case EHOSTUNREACH:
        case ENETUNREACH:
        case EHOSTDOWN:
        case ENONET:
        case EPROTO:
        case ENOPROTOOPT:
        case EACCES:
        case EOPNOTSUPP:
        case EMSGSIZE:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::uint16_t DelayTimeProbe::Identifier() {
    return static_cast<std::uint16_t>(::getpid() & 0xFFFF);
}

DelayTimeProbe::DelayTimeProbe(boost::asio::io_context& ioService, std::string targetText)
    : DelayTimeProbe(ioService, std::move(targetText), 0) {}

DelayTimeProbe::DelayTimeProbe(boost::asio::io_context& ioService, std::string targetText,
                               std::uint16_t lastSequenceNumber)
    : hostResolver(ioService),
      targetEndpoint(boost::asio::ip::address_v4::any(), 0),
      senderEndpoint(boost::asio::ip::address_v4::any(), 0),
      icmpSocket(ioService, boost::asio::ip::icmp::v4()),  // throws without CAP_NET_RAW
      replyTimer(ioService),
      hostText(std::move(targetText)),
      sequenceNumber(lastSequenceNumber) {
    try {
        const auto results =
            hostResolver.resolve(boost::asio::ip::icmp::v4(), hostText, "",
                                 boost::asio::ip::resolver_base::address_configured);
        targetEndpoint = results.begin()->endpoint();
        NarrowSocketToTarget();
        SendEchoRequest();
        ReceiveNext();
    } catch (...) {
        // The target stays inert for the whole run and shows as fully lost.
        lostCount.Store(1);
        replyCount.Store(0);
    }
}

void DelayTimeProbe::NarrowSocketToTarget() {
    // On Linux every unconnected raw ICMP socket gets a copy of every ICMP datagram reaching the
    // host; with one socket per target the copies for the other targets overflow each socket's
    // receive queue and real replies are dropped. Connecting makes the kernel queue only
    // datagrams from the target, and ICMP_FILTER (raw(7)) only Echo Replies. Both drop only
    // what OnReceive would drop anyway, so failures here are harmless and ignored.
    boost::system::error_code ignored;
    icmpSocket.connect(targetEndpoint, ignored);
    icmp_filter filter{};
    filter.data = ~(1U << ICMP_ECHOREPLY);
    ::setsockopt(icmpSocket.native_handle(), SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
}

void DelayTimeProbe::SendEchoRequest() {
    ++sequenceNumber;
    // The request lives in the pending send's handler until that send completes.
    auto request = std::make_shared<boost::asio::streambuf>();
    WriteEchoRequest(*request, Identifier(), sequenceNumber);
    icmpSocket.async_send_to(request->data(), targetEndpoint,
                             [this, request](const boost::system::error_code& error, std::size_t) {
                                 OnSendDone(error);
                             });
    sendTime = Clock::now();
    replyTimer.expires_after(kReplyTimeout);
    replyTimer.async_wait([this](const boost::system::error_code& error) { OnReplyTimer(error); });
}

void DelayTimeProbe::OnSendDone(const boost::system::error_code&) {
    // A failed send is not reported: the request ends by its timeout and counts as lost.
}

void DelayTimeProbe::OnReplyTimer(const boost::system::error_code& error) {
    if (!error) {
        lostCount.Store(lostCount + 1);
        SendEchoRequest();
        return;
    }
    // Cancelled by a matching reply (or failed): pause, then send the next request whatever
    // the pause's own outcome.
    replyTimer.expires_after(kPauseAfterReply);
    replyTimer.async_wait([this](const boost::system::error_code&) { SendEchoRequest(); });
}

void DelayTimeProbe::ReceiveNext() {
    receiveBuffer.consume(receiveBuffer.size());
    icmpSocket.async_receive_from(
        receiveBuffer.prepare(kReceiveWindow), senderEndpoint,
        [this](const boost::system::error_code& error, std::size_t bytesReceived) {
            OnReceive(bytesReceived, error);
        });
}

void DelayTimeProbe::OnReceive(std::size_t bytesReceived, const boost::system::error_code& error) {
    if (error) {
        if (IsReportedIcmpError(error)) ReceiveNext();
        // Any other receive error ends receiving; every later request ends by its timeout.
        return;
    }
    receiveBuffer.commit(bytesReceived);
    std::istream datagram(&receiveBuffer);
    const auto icmp = ReadIcmpDatagram(datagram);
    const auto receiveTime = Clock::now();

    if (icmp && IsEchoReplyTo(*icmp, Identifier(), sequenceNumber) &&
        senderEndpoint == targetEndpoint) {
        // The reply to request 1 only ends the wait: the first exchange also pays for ARP and
        // route set-up, so it is not counted.
        if (sequenceNumber > 1) {
            const auto micros =
                std::chrono::duration_cast<std::chrono::microseconds>(receiveTime - sendTime)
                    .count();
            RecordDelay(static_cast<std::uint32_t>(micros / 1000));
        }
        replyTimer.cancel();
    }
    ReceiveNext();
}

void DelayTimeProbe::RecordDelay(std::uint32_t delayMs) {
    totalDelayMs.Store(totalDelayMs + delayMs);
    lastDelayMs.Store(delayMs);
    replyCount.Store(replyCount + 1);
    if (maxDelayMs < delayMs) maxDelayMs.Store(delayMs);
    if (minDelayMs > delayMs) minDelayMs.Store(delayMs);
}

int LossPercentOf(std::uint64_t lost, std::uint64_t replies) {
    const std::uint64_t total = lost + replies;
    if (total == 0) return 0;
    return static_cast<int>(static_cast<double>(lost) / static_cast<double>(total) * 100.0);
}

int DelayTimeProbe::LossPercent() const { return LossPercentOf(lostCount, replyCount); }

}  // namespace quorvex
