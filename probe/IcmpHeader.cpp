#include "probe/IcmpHeader.h"

#include <istream>
#include <ostream>

namespace quorvex {

std::ostream& operator<<(std::ostream& os, const IcmpHeader& header) {
    return os.write(reinterpret_cast<const char*>(header.bytes_.data()), IcmpHeader::kSize);
}

std::istream& operator>>(std::istream& is, IcmpHeader& header) {
    return is.read(reinterpret_cast<char*>(header.bytes_.data()), IcmpHeader::kSize);
}

}  // namespace quorvex
