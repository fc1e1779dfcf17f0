// What the benchmarks read about a process, this one or a child: CPU time, resident memory
// and open descriptors from /proc and getrusage(2); and a child program started with its
// output in a file, ended by a signal, whose CPU time wait4(2) reports.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quorvex::bench {

// User + system CPU seconds of this process so far.
double SelfCpuSeconds();
// User + system CPU seconds of the calling thread so far.
double ThreadCpuSeconds();
// VmRSS and VmHWM (the peak) of a process, in KiB; 0 when it cannot be read.
long RssKiB(pid_t pid);
long PeakRssKiB(pid_t pid);
// Open descriptors of a process.
int Descriptors(pid_t pid);

// A program run as a child with stdout and stderr in one file.
class Child {
public:
    // Starts argv[0] (looked up in PATH; exit status 127 when it is not found); Error() says
    // why when no child could be made. The child is killed when this process dies.
    explicit Child(std::vector<std::string> argv, const std::filesystem::path& output);
    ~Child();  // kills and reaps a child still running
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    const std::string& Error() const { return error_; }
    pid_t Pid() const { return pid_; }
    void Signal(int signal) const;
    // Waits for the end; true when the child exited with status 0. Fills the figures below.
    bool Wait();
    double CpuSeconds() const { return cpuSeconds_; }
    std::string Output() const;

private:
    pid_t pid_ = -1;
    std::filesystem::path output_;
    std::string error_;
    double cpuSeconds_ = 0;
};

}  // namespace quorvex::bench
