// ICMP header of an Echo Request or Echo Reply (RFC 792), as it travels on the wire.
//
//  0               8               16                              31
//  +---------------+---------------+-------------------------------+
//  |     Type      |     Code      |           Checksum            |
//  +---------------+---------------+-------------------------------+
//  |          Identifier           |        Sequence number        |
//  +-------------------------------+-------------------------------+
//
// Multi-byte fields are big-endian. The record is exactly these 8 bytes, so writing it is a copy
// of them and reading it is a copy into them.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>

namespace quorvex {

class IcmpHeader {
public:
    static constexpr std::uint8_t kEchoReply = 0;
    static constexpr std::uint8_t kEchoRequest = 8;
    static constexpr std::size_t kSize = 8;

    std::uint8_t Type() const { return bytes_[0]; }
    std::uint8_t Code() const { return bytes_[1]; }
    std::uint16_t Checksum() const { return Get16(2); }
    std::uint16_t Identifier() const { return Get16(4); }
    std::uint16_t SequenceNumber() const { return Get16(6); }

    void SetType(std::uint8_t value) { bytes_[0] = value; }
    void SetCode(std::uint8_t value) { bytes_[1] = value; }
    void SetChecksum(std::uint16_t value) { Set16(2, value); }
    void SetIdentifier(std::uint16_t value) { Set16(4, value); }
    void SetSequenceNumber(std::uint16_t value) { Set16(6, value); }

    friend std::ostream& operator<<(std::ostream& os, const IcmpHeader& header);
    friend std::istream& operator>>(std::istream& is, IcmpHeader& header);

private:
    std::uint16_t Get16(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes_[at] * 256 + bytes_[at + 1]);
    }
    void Set16(std::size_t at, std::uint16_t value) {
        bytes_[at] = static_cast<std::uint8_t>(value >> 8);
        bytes_[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
    }

    std::array<std::uint8_t, kSize> bytes_{};
};

// Computes the Internet checksum (RFC 1071) over the header and the body [bodyBegin, bodyEnd)
// and stores it in the header. Whatever the Checksum field held before has no effect.
template <typename Iterator>
void ComputeChecksum(IcmpHeader& header, Iterator bodyBegin, Iterator bodyEnd) {
    std::uint32_t sum =
        (header.Type() << 8) + header.Code() + header.Identifier() + header.SequenceNumber();
    Iterator it = bodyBegin;
    while (it != bodyEnd) {
        sum += static_cast<std::uint8_t>(*it++) << 8;
        if (it != bodyEnd) sum += static_cast<std::uint8_t>(*it++);
    }
    sum = (sum >> 16) + (sum & 0xFFFF);
    sum += (sum >> 16);
    header.SetChecksum(static_cast<std::uint16_t>(~sum));
}

}  // namespace quorvex
