// The two stream operations of an echo exchange: serialising an Echo Request and parsing a
// received datagram (IPv4 header, then ICMP header).
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string_view>

#include "probe/Asio.h"
#include "probe/IcmpHeader.h"

namespace quorvex {

// Appends the Echo Request (type 8, code 0, checksum over header and body) to `out`: the
// 8 header bytes, then the body.
void WriteEchoRequest(boost::asio::streambuf& out, std::uint16_t identifier,
                      std::uint16_t sequenceNumber, std::string_view body = {});

// Reads the IPv4 header and then the ICMP header from `datagram`. Returns the ICMP header when
// the stream is afterwards neither failed nor bad (end-of-file alone is fine); no ICMP field is
// checked here.
std::optional<IcmpHeader> ReadIcmpDatagram(std::istream& datagram);

// True for the Echo Reply that answers the request (identifier, sequenceNumber). Code and
// checksum are not looked at: a reply with either wrong still counts.
bool IsEchoReplyTo(const IcmpHeader& icmp, std::uint16_t identifier, std::uint16_t sequenceNumber);

}  // namespace quorvex
