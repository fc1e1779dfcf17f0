// IPv4 header (RFC 791) that a raw ICMP socket delivers in front of every received message.
//
//  0       4       8               16                              31
//  +-------+-------+---------------+-------------------------------+
//  |Version|  IHL  |Type of Service|          Total Length         |
//  +-------+-------+---------------+-----+-------------------------+
//  |         Identification        |Flags|     Fragment Offset     |
//  +---------------+---------------+-----+-------------------------+
//  | Time to Live  |   Protocol    |        Header Checksum        |
//  +---------------+---------------+-------------------------------+
//  |                        Source Address                         |
//  +---------------------------------------------------------------+
//  |                      Destination Address                      |
//  +---------------------------------------------------------------+
//  |                 Options (0 to 40 bytes)                       |
//  +---------------------------------------------------------------+
//
// Only byte 0 is interpreted: it tells where the ICMP message starts.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>

namespace quorvex {

class Ipv4Header {
public:
    static constexpr std::size_t kFixedSize = 20;
    static constexpr std::size_t kMaxSize = 60;

    std::uint8_t Version() const { return bytes_[0] >> 4; }
    // Header length in bytes: the IHL field counts 32-bit words.
    std::uint16_t HeaderLength() const { return (bytes_[0] & 0x0F) * 4; }

    // Reads the fixed header and its options. A version other than 4 or a header length under
    // 20 bytes sets the fail state; nothing is thrown.
    friend std::istream& operator>>(std::istream& is, Ipv4Header& header);

private:
    std::array<std::uint8_t, kMaxSize> bytes_{};
};

}  // namespace quorvex
