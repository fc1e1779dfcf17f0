// Answers Echo Requests inside a TestHost from user space, following a script per test: after a
// delay, not at all, twice, from the host's other address, with another type, code or a wrong
// checksum, or with an unrelated ICMP message.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestHost.h"

namespace quorvex::test {

// One Echo Request as the test host saw it.
struct SeenRequest {
    std::uint16_t identifier = 0;
    std::uint16_t sequenceNumber = 0;
    std::string from;  // sender's IPv4 address
    std::chrono::steady_clock::time_point at;
};

// One datagram to send back for a request.
struct Answer {
    std::chrono::milliseconds delay{0};  // after the request arrived
    bool fromSecondAddress = false;
    std::uint8_t type = 0;  // 0 Echo Reply; 3 and 11 quote the request as ICMP errors do
    std::uint8_t code = 0;
    bool wrongChecksum = false;
    std::optional<std::uint16_t> sequenceNumber;  // else the request's
    std::optional<std::uint16_t> identifier;      // else the request's
};

// Decides the answers to a request; the index counts requests from 0.
using Script = std::function<std::vector<Answer>(const SeenRequest&, std::size_t index)>;

// Answers every request at once with a plain Echo Reply.
Script AnswerAfter(std::chrono::milliseconds delay);

class Responder {
public:
    Responder(const TestHost& host, Script script);
    ~Responder();
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    // Empty when the responder runs; else why it could not start.
    const std::string& Error() const { return error_; }
    std::vector<SeenRequest> Requests() const;
    // Waits until at least n requests were seen; false on timeout.
    bool WaitForRequests(std::size_t n, std::chrono::milliseconds timeout) const;

private:
    void Run(int main, int second);

    const TestHost& host_;
    Script script_;
    std::string error_;
    mutable std::mutex mutex_;
    mutable std::condition_variable seen_;
    std::vector<SeenRequest> requests_;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace quorvex::test
