// Small helpers for tests that watch asynchronous work.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "probe/Asio.h"

namespace quorvex::test {

// Polls `condition` every few milliseconds; true as soon as it holds, false after `timeout`.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Runs an I/O context on a thread of its own until destroyed; then stops it and joins, so
// nothing runs the context's handlers any more.
class IoThread {
public:
    explicit IoThread(boost::asio::io_context& io) : io_(io), thread_([this] { io_.run(); }) {}
    ~IoThread() {
        io_.stop();
        thread_.join();
    }
    IoThread(const IoThread&) = delete;
    IoThread& operator=(const IoThread&) = delete;

private:
    boost::asio::io_context& io_;
    std::thread thread_;
};

}  // namespace quorvex::test
