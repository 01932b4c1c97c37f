#include "sim/trace.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace vmouse {

Trace::~Trace()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void Trace::startClock(Clock::time_point now)
{
    if (!started_) {
        started_ = true;
        start_ = now;
    }
}

void Trace::clear()
{
    text_.clear();
    started_ = false;
}

bool Trace::appendToFile(const std::string &path)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    return fd_ >= 0;
}

std::string Trace::hex(const unsigned char *bytes, size_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(length * 3);
    for (size_t i = 0; i < length; ++i) {
        if (i)
            s += ' ';
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 15];
    }
    return s;
}

void Trace::add(Clock::time_point now, const char *operation, const std::string &path,
                const unsigned char *bytes, size_t length, const std::string &note)
{
    addLine(now, operation, path, hex(bytes, length), note);
}

void Trace::addError(Clock::time_point now, const std::string &path, const std::string &reason,
                     const std::string &note)
{
    addLine(now, "error", path, reason, note);
}

void Trace::addLine(Clock::time_point now, const char *operation, const std::string &path,
                    const std::string &rest, const std::string &note)
{
    startClock(now);
    double ms = std::chrono::duration<double, std::milli>(now - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f", ms);
    std::string line = std::string(stamp) + ' ' + operation + ' ' + path;
    if (!rest.empty())
        line += ' ' + rest;
    if (!note.empty())
        line += " # " + note;
    line += '\n';

    if (text_.size() + line.size() > maxKept) {
        size_t cut = text_.find('\n', text_.size() / 2);
        text_.erase(0, cut == std::string::npos ? text_.size() : cut + 1);
    }
    text_ += line;
    if (fd_ >= 0) {
        // One write per line with O_APPEND: lines from several processes do not interleave.
        ssize_t ignored = ::write(fd_, line.data(), line.size());
        (void)ignored;
    }
}

} // namespace vmouse
