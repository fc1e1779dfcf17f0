#include "tests/support/Responder.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <queue>

#include "probe/IcmpHeader.h"

namespace quorvex::test {

namespace {

using Clock = std::chrono::steady_clock;

struct Pending {
    Clock::time_point due;
    std::vector<std::uint8_t> bytes;
    bool fromSecondAddress;
    in_addr to;
    bool operator>(const Pending& other) const { return due > other.due; }
};

int OpenBoundRawSocket(const std::string& address) {
    const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::vector<std::uint8_t> BuildAnswer(const Answer& answer, const SeenRequest& request,
                                      const std::uint8_t* datagram, std::size_t length,
                                      std::size_t ipHeaderLength) {
    IcmpHeader header;
    header.SetType(answer.type);
    header.SetCode(answer.code);
    std::vector<std::uint8_t> body;
    if (answer.type == 3 || answer.type == 11) {
        // ICMP errors quote the offending IPv4 header and the first 8 bytes after it.
        body.assign(datagram, datagram + std::min(length, ipHeaderLength + 8));
    } else {
        header.SetIdentifier(answer.identifier.value_or(request.identifier));
        header.SetSequenceNumber(answer.sequenceNumber.value_or(request.sequenceNumber));
        body.assign(datagram + std::min(length, ipHeaderLength + 8), datagram + length);
    }
    ComputeChecksum(header, body.begin(), body.end());
    if (answer.wrongChecksum)
        header.SetChecksum(static_cast<std::uint16_t>(header.Checksum() ^ 0x5A5A));
    std::vector<std::uint8_t> bytes = {header.Type(),
                                       header.Code(),
                                       static_cast<std::uint8_t>(header.Checksum() >> 8),
                                       static_cast<std::uint8_t>(header.Checksum()),
                                       static_cast<std::uint8_t>(header.Identifier() >> 8),
                                       static_cast<std::uint8_t>(header.Identifier()),
                                       static_cast<std::uint8_t>(header.SequenceNumber() >> 8),
                                       static_cast<std::uint8_t>(header.SequenceNumber())};
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

}  // namespace

Script AnswerAfter(std::chrono::milliseconds delay) {
    return [delay](const SeenRequest&, std::size_t) {
        Answer answer;
        answer.delay = delay;
        return std::vector<Answer>{answer};
    };
}

Responder::Responder(const TestHost& host, Script script)
    : host_(host), script_(std::move(script)) {
    const int netnsFd = host_.OpenNamespace();
    if (netnsFd < 0 || ::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        error_ = "cannot open the test host's namespace";
        if (netnsFd >= 0) ::close(netnsFd);
        return;
    }
    std::promise<std::string> started;
    auto startError = started.get_future();
    thread_ = std::thread([this, netnsFd, started = std::move(started)]() mutable {
        // setns(2) moves only this thread into the test host's namespace; the sockets opened
        // afterwards belong to it.
        std::string error;
        int main = -1, second = -1;
        if (::setns(netnsFd, CLONE_NEWNET) != 0) {
            error = std::string("setns failed: ") + std::strerror(errno);
        } else {
            main = OpenBoundRawSocket(host_.Address());
            second = OpenBoundRawSocket(host_.SecondAddress());
            if (main < 0 || second < 0) error = "cannot open raw sockets in the test host";
        }
        ::close(netnsFd);
        started.set_value(error);
        if (error.empty()) Run(main, second);
        for (int fd : {main, second})
            if (fd >= 0) ::close(fd);
    });
    error_ = startError.get();
}

Responder::~Responder() {
    if (stopPipe_[1] >= 0) {
        const char stop = 1;
        [[maybe_unused]] auto written = ::write(stopPipe_[1], &stop, 1);
    }
    if (thread_.joinable()) thread_.join();
    for (int fd : stopPipe_)
        if (fd >= 0) ::close(fd);
}

std::vector<SeenRequest> Responder::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool Responder::WaitForRequests(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return seen_.wait_for(lock, timeout, [&] { return requests_.size() >= n; });
}

void Responder::Run(int main, int second) {
    std::priority_queue<Pending, std::vector<Pending>, std::greater<>> pending;
    in_addr mainAddress{}, secondAddress{};
    ::inet_pton(AF_INET, host_.Address().c_str(), &mainAddress);
    ::inet_pton(AF_INET, host_.SecondAddress().c_str(), &secondAddress);

    for (;;) {
        // Send what is due, then sleep until the next answer is due or a datagram arrives.
        const auto now = Clock::now();
        while (!pending.empty() && pending.top().due <= now) {
            const Pending& p = pending.top();
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_addr = p.to;
            ::sendto(p.fromSecondAddress ? second : main, p.bytes.data(), p.bytes.size(), 0,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to);
            pending.pop();
        }
        timespec wait{1, 0};
        if (!pending.empty()) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(pending.top().due -
                                                                                 Clock::now())
                                .count();
            wait = ns <= 0 ? timespec{0, 0} : timespec{ns / 1000000000, ns % 1000000000};
        }
        pollfd fds[2] = {{main, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::ppoll(fds, 2, &wait, nullptr) < 0 && errno != EINTR) break;
        if (fds[1].revents) break;
        if (!(fds[0].revents & POLLIN)) continue;

        std::uint8_t datagram[65536];
        const ssize_t n = ::recv(main, datagram, sizeof datagram, 0);
        const auto arrived = Clock::now();
        if (n < 20) continue;
        const std::size_t ipLength = (datagram[0] & 0x0F) * 4u;
        if (static_cast<std::size_t>(n) < ipLength + 8 || datagram[ipLength] != 8) continue;
        in_addr destination, source;
        std::memcpy(&source, datagram + 12, 4);
        std::memcpy(&destination, datagram + 16, 4);
        if (destination.s_addr != mainAddress.s_addr && destination.s_addr != secondAddress.s_addr)
            continue;

        SeenRequest request;
        request.identifier =
            static_cast<std::uint16_t>(datagram[ipLength + 4] << 8 | datagram[ipLength + 5]);
        request.sequenceNumber =
            static_cast<std::uint16_t>(datagram[ipLength + 6] << 8 | datagram[ipLength + 7]);
        char text[INET_ADDRSTRLEN];
        request.from = ::inet_ntop(AF_INET, &source, text, sizeof text);
        request.at = arrived;
        std::size_t index;
        {
            std::lock_guard lock(mutex_);
            index = requests_.size();
            requests_.push_back(request);
        }
        seen_.notify_all();
        for (const Answer& answer : script_(request, index)) {
            pending.push(
                {arrived + answer.delay,
                 BuildAnswer(answer, request, datagram, static_cast<std::size_t>(n), ipLength),
                 answer.fromSecondAddress, source});
        }
    }
}

}  // namespace quorvex::test
