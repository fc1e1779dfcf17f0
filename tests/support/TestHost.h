// A test host: a network namespace of its own, joined to this one by a veth pair, with two
// IPv4 addresses on its side. The kernel's own Echo Replies are switched off inside it, so only
// a Responder (Responder.h) answers there. Names and the /29 subnet (taken from 198.18.0.0/15,
// the range RFC 2544 sets aside for benchmarking) are unique per test process, so tests can run
// in parallel; the namespace and its link are removed when the object goes, also after a failed
// assertion. Namespaces left behind by a crashed test process are removed on the next creation.
#pragma once

#include <memory>
#include <string>

namespace quorvex::test {

class TestHost {
public:
    // Returns nullptr and sets *whyNot when the namespace cannot be made.
    static std::unique_ptr<TestHost> Create(std::string* whyNot);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& LocalAddress() const { return local_; }    // this side of the link
    const std::string& Address() const { return address_; }       // the host's main address
    const std::string& SecondAddress() const { return second_; }  // another address of the host
    // Opens the namespace for setns(2); the caller closes the descriptor.
    int OpenNamespace() const;

private:
    TestHost() = default;
    std::string name_, local_, address_, second_;
};

// Runs a shell command quietly; true when it exits with status 0.
bool RunQuietly(const std::string& command);

}  // namespace quorvex::test
