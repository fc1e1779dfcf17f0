// The echo wire format: request bytes and checksums (RFC 792, RFC 1071) and the rules that decide
// whether a received datagram parses.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "probe/EchoMessage.h"
#include "probe/IcmpHeader.h"

namespace quorvex {
namespace {

std::vector<std::uint8_t> Bytes(const boost::asio::streambuf& buffer) {
    const auto* data = static_cast<const std::uint8_t*>(buffer.data().data());
    return {data, data + buffer.size()};
}

TEST(EchoRequest, SerialisesToTheEightHeaderBytes) {
    boost::asio::streambuf out;
    WriteEchoRequest(out, 0x1234, 1);
    EXPECT_EQ(Bytes(out),
              (std::vector<std::uint8_t>{0x08, 0x00, 0xE5, 0xCA, 0x12, 0x34, 0x00, 0x01}));
}

TEST(EchoRequest, BodyFollowsTheHeader) {
    boost::asio::streambuf out;
    WriteEchoRequest(out, 0x1234, 1, "abc");
    EXPECT_EQ(Bytes(out), (std::vector<std::uint8_t>{0x08, 0x00, 0x21, 0x68, 0x12, 0x34, 0x00, 0x01,
                                                     'a', 'b', 'c'}));
}

struct ChecksumCase {
    const char* name;
    std::uint16_t identifier, sequenceNumber;
    std::string body;
    std::uint16_t checksum;
};

void PrintTo(const ChecksumCase& c, std::ostream* os) { *os << c.name; }

class Checksum : public testing::TestWithParam<ChecksumCase> {};

TEST_P(Checksum, MatchesRfc1071) {
    const auto& c = GetParam();
    // Whatever bytes 2-3 hold beforehand must not change the result.
    for (std::uint16_t before : {0x0000, 0xFFFF, 0xBEEF}) {
        IcmpHeader header;
        header.SetType(IcmpHeader::kEchoRequest);
        header.SetIdentifier(c.identifier);
        header.SetSequenceNumber(c.sequenceNumber);
        header.SetChecksum(before);
        ComputeChecksum(header, c.body.begin(), c.body.end());
        EXPECT_EQ(header.Checksum(), c.checksum) << "checksum field held " << before;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Checksum,
    testing::Values(ChecksumCase{"empty_body", 0x1234, 1, "", 0xE5CA},
                    // 0x0800 + 0xFFFF + 0xFFFF overflows 16 bits twice: both folds are needed.
                    ChecksumCase{"carry_fold", 0xFFFF, 0xFFFF, "", 0xF7FF},
                    // An odd final byte is the high byte of a word whose low byte is zero.
                    ChecksumCase{"odd_body", 0x1234, 1, "abc", 0x2168}),
    [](const auto& info) { return std::string(info.param.name); });

// A datagram as a raw socket delivers it: an IPv4 header of `ipLength` bytes (version in the
// high nibble of byte 0, IHL in the low one), then an Echo Reply header, cut to `total` bytes.
std::string Datagram(std::uint8_t versionIhl, std::size_t ipLength, std::size_t total) {
    std::string bytes(ipLength, '\0');
    bytes[0] = static_cast<char>(versionIhl);
    const char icmp[] = {0x00, 0x00, 0x12, 0x34, 0x56, 0x78, 0x00, 0x02};
    bytes.append(icmp, sizeof icmp);
    bytes.append(16, 'x');  // anything behind the ICMP header is never examined
    bytes.resize(total);
    return bytes;
}

struct ParseCase {
    const char* name;
    std::string datagram;
    bool parses;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class ReceivedDatagram : public testing::TestWithParam<ParseCase> {};

TEST_P(ReceivedDatagram, ParsesOnlyWhenWellFormed) {
    const auto& c = GetParam();
    std::istringstream in(c.datagram);
    const auto icmp = ReadIcmpDatagram(in);
    ASSERT_EQ(icmp.has_value(), c.parses);
    if (icmp) {
        // The ICMP header is read from right behind the IPv4 options.
        EXPECT_EQ(icmp->Identifier(), 0x5678);
        EXPECT_EQ(icmp->SequenceNumber(), 2);
        EXPECT_EQ(icmp->Checksum(), 0x1234);  // taken as it came, never checked
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReceivedDatagram,
    testing::Values(ParseCase{"ihl5_icmp_at_20", Datagram(0x45, 20, 28), true},
                    ParseCase{"ihl5_one_byte_short", Datagram(0x45, 20, 27), false},
                    ParseCase{"ihl5_with_trailing_bytes", Datagram(0x45, 20, 44), true},
                    ParseCase{"ihl15_icmp_at_60", Datagram(0x4F, 60, 68), true},
                    ParseCase{"ihl15_one_byte_short", Datagram(0x4F, 60, 67), false},
                    ParseCase{"ihl6_four_option_bytes", Datagram(0x46, 24, 32), true},
                    ParseCase{"ihl0", Datagram(0x40, 20, 28), false},
                    ParseCase{"ihl4", Datagram(0x44, 20, 28), false},
                    ParseCase{"version6", Datagram(0x65, 20, 28), false},
                    ParseCase{"version0", Datagram(0x05, 20, 28), false},
                    ParseCase{"shorter_than_fixed_header", Datagram(0x45, 20, 19), false},
                    ParseCase{"empty", std::string(), false}),
    [](const auto& info) { return std::string(info.param.name); });

struct MatchCase {
    const char* name;
    std::uint8_t type, code;
    std::uint16_t identifier, sequenceNumber;
    bool matches;
};

void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }

class EchoReplyMatch : public testing::TestWithParam<MatchCase> {};

TEST_P(EchoReplyMatch, NeedsTypeIdentifierAndSequence) {
    const auto& c = GetParam();
    IcmpHeader icmp;
    icmp.SetType(c.type);
    icmp.SetCode(c.code);
    icmp.SetIdentifier(c.identifier);
    icmp.SetSequenceNumber(c.sequenceNumber);
    EXPECT_EQ(IsEchoReplyTo(icmp, 0x5678, 7), c.matches);
}

INSTANTIATE_TEST_SUITE_P(Cases, EchoReplyMatch,
                         testing::Values(MatchCase{"reply", 0, 0, 0x5678, 7, true},
                                         MatchCase{"reply_with_code", 0, 5, 0x5678, 7, true},
                                         MatchCase{"echo_request", 8, 0, 0x5678, 7, false},
                                         MatchCase{"destination_unreachable", 3, 1, 0x5678, 7,
                                                   false},
                                         MatchCase{"time_exceeded", 11, 0, 0x5678, 7, false},
                                         MatchCase{"other_identifier", 0, 0, 0x5679, 7, false},
                                         MatchCase{"other_sequence", 0, 0, 0x5678, 6, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvex
