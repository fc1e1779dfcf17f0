// Tests that need root, raw sockets or network namespaces skip with a clear reason where they
// cannot have them; under CI (CI=true) they fail instead, so a green CI never hides a skip.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace quorvex::test {

// True when the environment says this run is CI.
bool UnderCi();

// Empty when this process may open raw sockets and manage network namespaces; else the reason.
std::string WhyNoNetworkPrivileges();

}  // namespace quorvex::test

#define QV_SKIP_OR_FAIL(reason)                                           \
    do {                                                                  \
        if (::quorvex::test::UnderCi()) FAIL() << "under CI: " << reason; \
        GTEST_SKIP() << reason;                                           \
    } while (0)

// Use at the start of a test (or SetUp) that needs raw sockets and namespaces.
#define QV_REQUIRE_NETWORK_PRIVILEGES()                                     \
    do {                                                                    \
        const std::string why_ = ::quorvex::test::WhyNoNetworkPrivileges(); \
        if (!why_.empty()) QV_SKIP_OR_FAIL(why_);                           \
    } while (0)
