// Sends junk ICMP datagrams at a fixed rate for a fixed time, then stops by itself and prints how
// many it sent per second. Every destination must be a loopback address or one of the namespace
// test host's 198.18.0.0/15 addresses; anything else is refused before a datagram goes out.
//
// Usage: flood RATE SECONDS IDENTIFIER TARGET...
//   TARGET is a loopback address a probe watches (junk goes to it, some of it seemingly from it),
//   or HOST@LOCAL for a test host: junk goes to HOST, and replies seemingly from HOST go to LOCAL.
//
// Kinds of junk, picked at random: an ICMP message of a random other type; an ICMP message cut
// short (0 to 7 bytes); an IPv4 header with an IHL other than 5; an Echo Reply with the probes'
// identifier but a sequence number far from any the probes reach in a run; the same from a
// sender no probe watches.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Target {
    in_addr watched;  // the address a probe sends its requests to
    in_addr local;    // where replies seemingly from `watched` go
    in_addr other;    // a sender no probe watches
};

bool Allowed(in_addr a) {
    const std::uint32_t h = ntohl(a.s_addr);
    return (h >> 24) == 127 || (h >> 17) == (0xC612u >> 1);  // 127/8, 198.18/15
}

in_addr Parse(const std::string& text) {
    in_addr a{};
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1 || !Allowed(a)) {
        std::fprintf(stderr, "flood: refusing %s (only 127.0.0.0/8 and 198.18.0.0/15)\n",
                     text.c_str());
        std::exit(2);
    }
    return a;
}

std::uint16_t Checksum(const std::uint8_t* p, std::size_t n) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < n; i += 2) sum += p[i] << 8 | p[i + 1];
    if (n % 2) sum += p[n - 1] << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: flood RATE SECONDS IDENTIFIER TARGET...\n");
        return 2;
    }
    const long rate = std::strtol(argv[1], nullptr, 10);
    const double seconds = std::strtod(argv[2], nullptr);
    const auto identifier = static_cast<std::uint16_t>(std::strtoul(argv[3], nullptr, 10));
    if (rate <= 0 || rate > 1000000 || seconds <= 0 || seconds > 3600) {
        std::fprintf(stderr, "flood: rate 1..1000000 per second, 0 < seconds <= 3600\n");
        return 2;
    }
    std::vector<Target> targets;
    for (int i = 4; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto at = arg.find('@');
        Target t;
        t.watched = Parse(arg.substr(0, at));
        t.local = at == std::string::npos ? t.watched : Parse(arg.substr(at + 1));
        t.other = at == std::string::npos ? Parse("127.0.0.254") : t.local;
        targets.push_back(t);
    }

    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_RAW);  // IPPROTO_RAW implies IP_HDRINCL
    if (fd < 0) {
        std::perror("flood: raw socket");
        return 1;
    }
    std::mt19937 random(2024);
    std::uint8_t packet[128];
    long sent = 0, failed = 0;
    timespec start{}, next{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    next = start;
    const long total = static_cast<long>(rate * seconds);
    const long perTick = rate >= 1000 ? rate / 1000 : 1;
    const long tickNs = 1000000000L / (rate / perTick);

    while (sent + failed < total) {
        for (long k = 0; k < perTick && sent + failed < total; ++k) {
            const Target& t = targets[random() % targets.size()];
            std::memset(packet, 0, sizeof packet);
            std::uint8_t* ip = packet;
            std::size_t ihl = 5, icmpLength = 8 + random() % 24;
            in_addr from = t.watched, to = t.local;
            std::uint8_t type = 0;
            std::uint16_t sequence = static_cast<std::uint16_t>(30000 + random() % 30000);
            switch (random() % 5) {
                case 0:  // another type: never 0, and never 8, which would ask for an answer
                    do type = static_cast<std::uint8_t>(random());
                    while (type == 0 || type == 8);
                    break;
                case 1:  // cut short
                    icmpLength = random() % 8;
                    break;
                case 2:  // IHL other than 5: the receiving kernel checks it first
                    ihl = random() % 2 ? random() % 5 : 6 + random() % 10;
                    break;
                case 3:  // right identifier, wrong sequence number
                    break;
                case 4:  // right identifier, a sender no probe watches
                    from = t.other;
                    sequence = static_cast<std::uint16_t>(1 + random() % 100);
                    break;
            }
            if (to.s_addr != t.watched.s_addr && random() % 2) {
                // Toward the test host itself, from this side of the link.
                from = t.local;
                to = t.watched;
            }
            ip[0] = static_cast<std::uint8_t>(0x40 | ihl);
            ip[8] = 64;
            ip[9] = IPPROTO_ICMP;
            std::memcpy(ip + 12, &from, 4);
            std::memcpy(ip + 16, &to, 4);
            const std::size_t ipLength = ihl >= 5 ? ihl * 4 : 20;
            for (std::size_t i = 20; i < ipLength; ++i) ip[i] = static_cast<std::uint8_t>(random());
            std::uint8_t* icmp = packet + ipLength;
            for (std::size_t i = 0; i < icmpLength; ++i)
                icmp[i] = static_cast<std::uint8_t>(random());
            if (icmpLength >= 8) {
                icmp[0] = type;
                icmp[4] = static_cast<std::uint8_t>(identifier >> 8);
                icmp[5] = static_cast<std::uint8_t>(identifier);
                icmp[6] = static_cast<std::uint8_t>(sequence >> 8);
                icmp[7] = static_cast<std::uint8_t>(sequence);
                icmp[2] = icmp[3] = 0;
                const std::uint16_t sum = Checksum(icmp, icmpLength);
                icmp[2] = static_cast<std::uint8_t>(sum >> 8);
                icmp[3] = static_cast<std::uint8_t>(sum);
            }
            const std::size_t length = ipLength + icmpLength;
            ip[2] = static_cast<std::uint8_t>(length >> 8);
            ip[3] = static_cast<std::uint8_t>(length);
            sockaddr_in dest{};
            dest.sin_family = AF_INET;
            dest.sin_addr = to;
            if (::sendto(fd, packet, length, 0, reinterpret_cast<sockaddr*>(&dest), sizeof dest) ==
                static_cast<ssize_t>(length))
                ++sent;
            else
                ++failed;
        }
        next.tv_nsec += tickNs;
        while (next.tv_nsec >= 1000000000L) next.tv_nsec -= 1000000000L, ++next.tv_sec;
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    timespec end{};
    ::clock_gettime(CLOCK_MONOTONIC, &end);
    const double elapsed =
        static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    std::printf(
        "flood: %ld datagrams sent, %ld refused by the kernel, in %.1f s: %.0f per second\n", sent,
        failed, elapsed, static_cast<double>(sent) / elapsed);
    ::close(fd);
    return 0;
}
