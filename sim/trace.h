/* The virtual mouse's trace: one line per HID call that reached a device,
 * "<ms since the first plug> <operation> <path> <bytes or reason>[ # meaning]".
 * No locking: the bus serialises every call. */
#ifndef VMOUSE_TRACE_H
#define VMOUSE_TRACE_H

#include <chrono>
#include <string>

namespace vmouse {

class Trace
{
public:
    using Clock = std::chrono::steady_clock;

    // A program left running with the library preloaded polls the event interface every few
    // milliseconds; past this size the oldest half of the kept trace is dropped.
    static const size_t maxKept = 8u << 20;

    Trace() = default;
    ~Trace();
    Trace(const Trace &) = delete;
    Trace &operator=(const Trace &) = delete;

    void startClock(Clock::time_point now); // no-op once started
    void clear();                           // drops the lines and stops the clock
    bool appendToFile(const std::string &path);

    void add(Clock::time_point now, const char *operation, const std::string &path,
             const unsigned char *bytes, size_t length, const std::string &note = std::string());
    void addError(Clock::time_point now, const std::string &path, const std::string &reason,
                  const std::string &note = std::string());

    const std::string &text() const { return text_; }

    static std::string hex(const unsigned char *bytes, size_t length);

private:
    void addLine(Clock::time_point now, const char *operation, const std::string &path,
                 const std::string &rest, const std::string &note);

    std::string text_;
    bool started_ = false;
    Clock::time_point start_;
    int fd_ = -1;
};

} // namespace vmouse

#endif
