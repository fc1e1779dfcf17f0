#include "tests/support/Require.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace quorvex::test {

bool UnderCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

std::string WhyNoNetworkPrivileges() {
    if (::geteuid() != 0) return "needs root (raw ICMP sockets and network namespaces)";
    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (fd < 0) return std::string("cannot open a raw ICMP socket: ") + std::strerror(errno);
    ::close(fd);
    if (::access("/usr/sbin/ip", X_OK) != 0 && ::access("/sbin/ip", X_OK) != 0 &&
        ::access("/usr/bin/ip", X_OK) != 0)
        return "needs the ip command (package iproute2) for network namespaces";
    return {};
}

}  // namespace quorvex::test
