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

// UBSan's vptr check makes a pipe to test memory; in a process that has used up every file
// descriptor it cannot, and then reports a thrown exception as an invalid object. Tests that
// run the descriptors out skip in the AddressSanitizer+UBSan build; the other builds run them.
#if defined(__SANITIZE_ADDRESS__)
#define QV_SKIP_WHERE_SANITIZER_NEEDS_DESCRIPTORS()                                                \
    GTEST_SKIP() << "runs the descriptors out, which UBSan's vptr check cannot bear; runs in the " \
                    "other builds"
#else
#define QV_SKIP_WHERE_SANITIZER_NEEDS_DESCRIPTORS() \
    do {                                            \
    } while (0)
#endif
