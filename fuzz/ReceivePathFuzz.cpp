// Feeds arbitrary bytes, as a raw ICMP socket could deliver them, through the receive path: the
// IPv4 header read, the ICMP header read and the Echo Reply match. Each outcome is checked
// against the datagram's own bytes, so a parse that accepts a short or malformed datagram, or a
// match that looks at the wrong bytes, stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <istream>

#include "probe/Asio.h"
#include "probe/EchoMessage.h"

namespace {

constexpr std::uint16_t kIdentifier = 0x1234;
constexpr std::uint16_t kSequenceNumber = 0x0102;

void Require(bool condition) {
    if (!condition) std::abort();
}

std::uint16_t At16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The same buffer type and stream the probe receives into.
    boost::asio::streambuf buffer;
    auto window = buffer.prepare(size);
    if (size > 0) std::memcpy(window.data(), data, size);
    buffer.commit(size);
    std::istream datagram(&buffer);

    const auto icmp = quorvex::ReadIcmpDatagram(datagram);

    const std::size_t headerLength = size > 0 ? (data[0] & 0x0F) * 4u : 0;
    const bool wellFormed =
        size >= 20 && (data[0] >> 4) == 4 && headerLength >= 20 && size >= headerLength + 8;
    Require(icmp.has_value() == wellFormed);
    if (!icmp) return 0;

    const std::uint8_t* header = data + headerLength;
    Require(icmp->Type() == header[0] && icmp->Code() == header[1]);
    Require(icmp->Checksum() == At16(header + 2));
    Require(icmp->Identifier() == At16(header + 4));
    Require(icmp->SequenceNumber() == At16(header + 6));

    const bool reply =
        header[0] == 0 && At16(header + 4) == kIdentifier && At16(header + 6) == kSequenceNumber;
    Require(quorvex::IsEchoReplyTo(*icmp, kIdentifier, kSequenceNumber) == reply);
    return 0;
}
