// A test host for hands-on runs and screenshots: a network namespace whose user-space
// responder answers Echo Requests after a fixed delay, dropping every K-th one. Prints the
// host's address, then answers until the time is up or standard input closes.
//
// Usage: test_host [--delay-ms D] [--drop-every K] [--seconds S]
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/Responder.h"
#include "tests/support/TestHost.h"

int main(int argc, char** argv) {
    long delayMs = 20, dropEvery = 0, seconds = 600;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (option == "--delay-ms")
            delayMs = value;
        else if (option == "--drop-every")
            dropEvery = value;
        else if (option == "--seconds")
            seconds = value;
        else {
            std::fprintf(stderr,
                         "usage: test_host [--delay-ms D] [--drop-every K] [--seconds S]\n");
            return 2;
        }
    }
    std::string why;
    auto host = quorvex::test::TestHost::Create(&why);
    if (!host) {
        std::fprintf(stderr, "test_host: %s\n", why.c_str());
        return 1;
    }
    quorvex::test::Responder responder(
        *host, [=](const quorvex::test::SeenRequest&, std::size_t index) {
            if (dropEvery > 0 && index % static_cast<std::size_t>(dropEvery) ==
                                     static_cast<std::size_t>(dropEvery - 1))
                return std::vector<quorvex::test::Answer>{};
            quorvex::test::Answer answer;
            answer.delay = std::chrono::milliseconds(delayMs);
            return std::vector<quorvex::test::Answer>{answer};
        });
    if (!responder.Error().empty()) {
        std::fprintf(stderr, "test_host: %s\n", responder.Error().c_str());
        return 1;
    }
    std::printf("address %s\n", host->Address().c_str());
    std::fflush(stdout);
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (::poll(&input, 1, 200) > 0) {
            char byte;
            if (::read(STDIN_FILENO, &byte, 1) <= 0) break;
        }
    }
    return 0;
}
