#include "bench/ProcessStats.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace quorvex::bench {

namespace {

double Seconds(const timeval& user, const timeval& system) {
    return static_cast<double>(user.tv_sec + system.tv_sec) +
           static_cast<double>(user.tv_usec + system.tv_usec) / 1e6;
}

long StatusKiB(pid_t pid, const std::string& wanted) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == wanted) return status >> value ? value : 0;
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

}  // namespace

double SelfCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime, usage.ru_stime);
}

double ThreadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

long RssKiB(pid_t pid) { return StatusKiB(pid, "VmRSS:"); }
long PeakRssKiB(pid_t pid) { return StatusKiB(pid, "VmHWM:"); }

int Descriptors(pid_t pid) {
    int count = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", error), end;
         !error && it != end; it.increment(error))
        ++count;
    return count;
}

Child::Child(std::vector<std::string> argv, const std::filesystem::path& output) : output_(output) {
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) {
        error_ = "cannot start " + argv[0] + ": " + std::strerror(errno);
        return;
    }
    if (pid_ == 0) {
        // Only async-signal-safe calls until exec. The child dies with this process, so a
        // benchmark killed early leaves no endless ping loop behind.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(126);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || in < 0) ::_exit(126);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        ::close_range(3, ~0U, 0);  // nothing of this process's own stays open in the child
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
}

Child::~Child() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void Child::Signal(int signal) const {
    if (pid_ > 0) ::kill(pid_, signal);
}

bool Child::Wait() {
    if (pid_ <= 0) return false;
    int status = 0;
    rusage usage{};
    const pid_t ended = ::wait4(pid_, &status, 0, &usage);
    pid_ = -1;
    if (ended < 0) return false;
    cpuSeconds_ = Seconds(usage.ru_utime, usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Child::Output() const {
    std::ifstream in(output_);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace quorvex::bench
