#include "probe/Ipv4Header.h"

#include <istream>

namespace quorvex {

std::istream& operator>>(std::istream& is, Ipv4Header& header) {
    is.read(reinterpret_cast<char*>(header.bytes_.data()), Ipv4Header::kFixedSize);
    if (header.Version() != 4) is.setstate(std::ios::failbit);
    const int optionsLength = header.HeaderLength() - static_cast<int>(Ipv4Header::kFixedSize);
    if (optionsLength < 0 || optionsLength > 40) {
        is.setstate(std::ios::failbit);
    } else {
        is.read(reinterpret_cast<char*>(header.bytes_.data()) + Ipv4Header::kFixedSize,
                optionsLength);
    }
    return is;
}

}  // namespace quorvex
