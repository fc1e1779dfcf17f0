#include "tests/support/ProcessState.h"

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>

namespace quorvex::test {

namespace {

int EntriesOf(const char* directory) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory))
        ++count;
    return count;
}

}  // namespace

int ThreadCount() { return EntriesOf("/proc/self/task"); }

int OpenDescriptorCount() { return EntriesOf("/proc/self/fd"); }

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool DropNetRaw() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    for (auto& d : data) {
        d.effective &= ~(1u << CAP_NET_RAW);
        d.permitted &= ~(1u << CAP_NET_RAW);
        d.inheritable &= ~(1u << CAP_NET_RAW);
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace quorvex::test
