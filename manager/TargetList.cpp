#include "manager/TargetList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvex {

namespace {

// Owns a file descriptor.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int OpenForReading(const std::filesystem::path& file) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    return ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

// Creates the file with the default list, only when no file of that name exists (O_EXCL also
// refuses a dangling symbolic link). Failures are not reported: the next open decides.
void WriteDefaultList(const std::filesystem::path& file) {
    Fd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0) return;
    const char* data = kDefaultTargetList.data();
    std::size_t left = kDefaultTargetList.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
}

// Reads a file line by line through a fixed buffer.
class LineReader {
public:
    explicit LineReader(int fd) : fd_(fd) {}

    // Reads the next physical line into `line`, keeping at most `limit` bytes of it; the line
    // end (LF) is consumed and not stored. Returns false at the end of the file with nothing read.
    bool Next(std::string& line, std::size_t limit, bool& endedByLf) {
        line.clear();
        endedByLf = false;
        bool any = false;
        for (;;) {
            if (pos_ == end_ && !Fill()) return any;
            any = true;
            const char* start = buffer_ + pos_;
            const void* lf = std::memchr(start, '\n', end_ - pos_);
            const std::size_t n = lf ? static_cast<const char*>(lf) - start : end_ - pos_;
            if (line.size() < limit) line.append(start, std::min(n, limit - line.size()));
            pos_ += n;
            if (lf) {
                ++pos_;
                endedByLf = true;
                return true;
            }
        }
    }

private:
    bool Fill() {
        for (;;) {
            const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
            if (n < 0 && errno == EINTR) continue;
            pos_ = 0;
            end_ = n > 0 ? static_cast<std::size_t>(n) : 0;
            return n > 0;
        }
    }

    int fd_;
    char buffer_[65536];
    std::size_t pos_ = 0, end_ = 0;
};

}  // namespace

void LoadTargetList(const std::function<void(const std::string&)>& action,
                    const std::filesystem::path& file) {
    int raw = OpenForReading(file);
    if (raw < 0 && errno == ENOENT) {
        WriteDefaultList(file);
        raw = OpenForReading(file);
    }
    Fd fd(raw);
    if (fd.get() < 0) return;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return;

    LineReader reader(fd.get());
    std::string line;
    bool endedByLf = false;
    // One byte more than a target may hold, so that a CR right before the LF of a full-length
    // line can still be told apart from a longer line.
    while (reader.Next(line, kMaxTargetTextLength + 1, endedByLf)) {
        if (endedByLf && !line.empty() && line.back() == '\r') line.pop_back();
        line.resize(std::min(line.size(), kMaxTargetTextLength));
        line.resize(std::strlen(line.c_str()));  // a NUL ends the text
        if (line.empty() || line.front() == '#') continue;
        action(line);
    }
}

}  // namespace quorvex
