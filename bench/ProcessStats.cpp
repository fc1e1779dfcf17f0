#include "bench/ProcessStats.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

extern char** environ;

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

Child::Child(std::vector<std::string> argv, const std::filesystem::path& output)
    : output_(output) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const int error = ::posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        pid_ = -1;
        error_ = "cannot start " + argv[0] + ": " + std::strerror(error);
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
    peakRssKiB_ = usage.ru_maxrss;  // KiB on Linux
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Child::Output() const {
    std::ifstream in(output_);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace quorvex::bench
