/* The mouse's side of the command interface: decodes feature and output reports, keeps the
 * settings a mouse keeps, answers the level query and checks the host's pacing. No locking:
 * the bus serialises every call. */
#ifndef VMOUSE_FIRMWARE_H
#define VMOUSE_FIRMWARE_H

#include "sim/vmousestate.h"

#include <chrono>
#include <string>
#include <vector>

namespace vmouse {

class Firmware
{
public:
    using Clock = std::chrono::steady_clock;

    // What one report did: a decoded meaning for the trace, and error reasons (each one line).
    struct Result
    {
        std::string note;
        std::vector<std::string> errors;
    };

    // The host waits 32 ms; a gap below this is flagged (1 ms of timer slack).
    static constexpr std::chrono::microseconds minGap{31000};

    explicit Firmware(int reportLength);

    Result feature(const unsigned char *data, size_t length, Clock::time_point now);
    Result output(const unsigned char *data, size_t length, Clock::time_point now);
    // The answer feature report (report ID first); returns the bytes copied.
    size_t answer(unsigned char *out, size_t length, std::string *note) const;

    void setCurrentLevel(unsigned char level) { state_.currentLevel = level; }
    void countError() { ++state_.errors; }
    const vmouse_state &state() const { return state_; }
    int reportLength() const { return reportLength_; }

    static bool hasChecksum(unsigned char code);
    static unsigned char checksum(const unsigned char *report); // over bytes 1..7 of a 9-byte report

private:
    void checkPacing(Clock::time_point now, Result &r);
    std::string apply(unsigned char code, const unsigned char *report);
    std::string applyData();

    int reportLength_;
    vmouse_state state_{};
    unsigned char answer_[9] = {};

    // A data command waiting for its output reports.
    unsigned char pendingCode_ = 0;
    unsigned char pendingButton_ = 0;
    bool pendingDiscard_ = false;
    size_t expected_ = 0;
    std::vector<unsigned char> collected_;

    bool paced_ = false;
    Clock::time_point pacedSince_;
};

} // namespace vmouse

#endif
