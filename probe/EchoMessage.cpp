#include "probe/EchoMessage.h"

#include <ostream>

#include "probe/Ipv4Header.h"

namespace quorvex {

void WriteEchoRequest(boost::asio::streambuf& out, std::uint16_t identifier,
                      std::uint16_t sequenceNumber, std::string_view body) {
    IcmpHeader header;
    header.SetType(IcmpHeader::kEchoRequest);
    header.SetCode(0);
    header.SetIdentifier(identifier);
    header.SetSequenceNumber(sequenceNumber);
    ComputeChecksum(header, body.begin(), body.end());
    std::ostream os(&out);
    os << header;
    os.write(body.data(), static_cast<std::streamsize>(body.size()));
}

std::optional<IcmpHeader> ReadIcmpDatagram(std::istream& datagram) {
    Ipv4Header ipv4;
    IcmpHeader icmp;
    datagram >> ipv4 >> icmp;
    if (datagram.fail() || datagram.bad()) return std::nullopt;
    return icmp;
}

bool IsEchoReplyTo(const IcmpHeader& icmp, std::uint16_t identifier, std::uint16_t sequenceNumber) {
    return icmp.Type() == IcmpHeader::kEchoReply && icmp.Identifier() == identifier &&
           icmp.SequenceNumber() == sequenceNumber;
}

}  // namespace quorvex
