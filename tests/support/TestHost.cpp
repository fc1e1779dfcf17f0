#include "tests/support/TestHost.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quorvex::test {

namespace {

constexpr const char* kPrefix = "qvt";

std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        ::pclose(pipe);
    }
    return out;
}

// Removes namespaces of this fixture whose creating process is gone.
void RemoveStaleNamespaces() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/var/run/netns", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kPrefix, 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + 3, nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            RunQuietly("ip netns del " + name);
    }
}

}  // namespace

bool RunQuietly(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::unique_ptr<TestHost> TestHost::Create(std::string* whyNot) {
    static std::atomic<unsigned> counter{0};
    RemoveStaleNamespaces();

    const unsigned pid = static_cast<unsigned>(::getpid());
    const unsigned serial = counter++;
    const std::string tag = std::to_string(pid) + "n" + std::to_string(serial);
    std::unique_ptr<TestHost> host(new TestHost);
    host->name_ = kPrefix + tag;
    const std::string hostSide = "qvh" + tag, nsSide = "qvn" + tag;

    // Pick a /29 of 198.18.0.0/15 that no route uses yet.
    unsigned block = (pid * 40503u + serial * 977u) % 16384u;
    std::string base;
    for (int tries = 0; tries < 64; ++tries, block = (block + 1) % 16384u) {
        const unsigned value = block * 8;  // offset inside 198.18.0.0/15
        base = std::to_string(198) + "." + std::to_string(18 + (value >> 16)) + "." +
               std::to_string((value >> 8) & 0xFF) + "." + std::to_string(value & 0xFF);
        if (Capture("ip -4 route show to " + base + "/29").empty()) break;
    }
    const std::string prefix = base.substr(0, base.rfind('.') + 1);
    const unsigned last = std::stoul(base.substr(base.rfind('.') + 1));
    host->local_ = prefix + std::to_string(last + 1);
    host->address_ = prefix + std::to_string(last + 2);
    host->second_ = prefix + std::to_string(last + 3);

    const std::string in = "ip netns exec " + host->name_ + " ";
    const std::string steps[] = {
        "ip netns add " + host->name_,
        "ip link add " + hostSide + " type veth peer name " + nsSide,
        "ip link set " + nsSide + " netns " + host->name_,
        "ip addr add " + host->local_ + "/29 dev " + hostSide,
        "ip link set " + hostSide + " up",
        in + "ip addr add " + host->address_ + "/29 dev " + nsSide,
        in + "ip addr add " + host->second_ + "/29 dev " + nsSide,
        in + "ip link set " + nsSide + " up",
        in + "ip link set lo up",
        in + "sysctl -qw net.ipv4.icmp_echo_ignore_all=1",
    };
    for (const auto& step : steps) {
        if (!RunQuietly(step)) {
            if (whyNot) *whyNot = "cannot set up a network namespace: '" + step + "' failed";
            RunQuietly("ip link del " + hostSide);
            return nullptr;  // the destructor removes the namespace
        }
    }
    return host;
}

TestHost::~TestHost() {
    // Deleting the namespace deletes its veth end, and with it the pair.
    if (!name_.empty()) RunQuietly("ip netns del " + name_);
}

int TestHost::OpenNamespace() const {
    return ::open(("/var/run/netns/" + name_).c_str(), O_RDONLY | O_CLOEXEC);
}

}  // namespace quorvex::test
