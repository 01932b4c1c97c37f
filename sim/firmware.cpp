#include "sim/firmware.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vmouse {

namespace {

std::string list(const unsigned char *b, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i)
            s += ',';
        s += std::to_string(b[i]);
    }
    return s;
}

} // namespace

Firmware::Firmware(int reportLength) : reportLength_(reportLength) {}

bool Firmware::hasChecksum(unsigned char code)
{
    return code == 1 || code == 3 || code == 5 || code == 12 || code == 135;
}

unsigned char Firmware::checksum(const unsigned char *report)
{
    unsigned sum = 0;
    for (int i = 1; i <= 7; ++i)
        sum += report[i];
    return static_cast<unsigned char>(255 - sum % 256);
}

void Firmware::checkPacing(Clock::time_point now, Result &r)
{
    if (paced_ && now - pacedSince_ < minGap)
        r.errors.push_back("pacing");
    paced_ = false;
}

Firmware::Result Firmware::feature(const unsigned char *d, size_t length, Clock::time_point now)
{
    Result r;
    checkPacing(now, r);
    if (expected_ > 0) {
        r.errors.push_back("incomplete data");
        expected_ = 0;
        collected_.clear();
    }
    if (length != 9) {
        r.errors.push_back("bad size");
        return r;
    }
    if (d[0] != 0) {
        r.errors.push_back("bad report id");
        return r;
    }
    const unsigned char code = d[1];
    static const unsigned char known[] = {1, 3, 5, 6, 7, 8, 12, 23, 24, 135};
    if (std::find(std::begin(known), std::end(known), code) == std::end(known)) {
        r.errors.push_back("unknown command");
        return r;
    }
    if (code != 135) {
        paced_ = true;
        pacedSince_ = now;
    }
    bool good = !hasChecksum(code) || d[8] == checksum(d);
    if (!good)
        r.errors.push_back("bad checksum");
    if (code == 5 && d[3] >= 16) {
        r.errors.push_back("bad button");
        good = false;
    }
    if (code == 3 || code == 5 || code == 12) {
        // The data reports follow whether or not the command was good; a rejected one drops them.
        pendingCode_ = code;
        pendingButton_ = d[3];
        pendingDiscard_ = !good;
        expected_ = code == 5 ? 192 : 64;
        collected_.clear();
        r.note = apply(code, d);
        return r;
    }
    if (good) {
        r.note = apply(code, d);
        ++state_.commands;
    } else {
        r.note = "rejected";
    }
    return r;
}

std::string Firmware::apply(unsigned char code, const unsigned char *d)
{
    char buf[160];
    switch (code) {
    case 1:
        state_.reportRate = d[2];
        return "report-rate " + std::to_string(d[2]);
    case 3:
        return "keys, 64 data bytes follow";
    case 5:
        return "macro button " + std::to_string(d[3]) + ", 192 data bytes follow";
    case 12:
        return "colours, 64 data bytes follow";
    case 6:
        state_.lightMode = d[2];
        state_.lightSlot = d[3];
        state_.lightBrightness = d[4];
        state_.lightSpeed = d[5];
        std::snprintf(buf, sizeof buf, "lighting mode=%u slot=%u brightness=%u speed=%u",
                      d[2], d[3], d[4], d[5]);
        return buf;
    case 7:
        state_.currentLevel = d[2];
        state_.enableMask = d[3];
        std::memcpy(state_.dpiX, d + 4, 4);
        return "dpi-x level=" + std::to_string(d[2]) + " enable=" + std::to_string(d[3])
               + " level0..3=" + list(d + 4, 4);
    case 8:
        std::memcpy(state_.dpiX + 4, d + 2, 4);
        state_.xHighMask = d[6];
        return "dpi-x level4..7=" + list(d + 2, 4) + " high=" + std::to_string(d[6]);
    case 23:
        std::memcpy(state_.dpiY, d + 4, 4);
        return "dpi-y level0..3=" + list(d + 4, 4);
    case 24:
        std::memcpy(state_.dpiY + 4, d + 2, 4);
        state_.yHighMask = d[6];
        return "dpi-y level4..7=" + list(d + 2, 4) + " high=" + std::to_string(d[6]);
    case 135:
        std::memset(answer_, 0, sizeof answer_);
        answer_[1] = 135;
        answer_[2] = state_.currentLevel;
        return "read level";
    default:
        return std::string();
    }
}

Firmware::Result Firmware::output(const unsigned char *d, size_t length, Clock::time_point now)
{
    Result r;
    const bool first = expected_ > 0 && collected_.empty();
    if (first || expected_ == 0)
        checkPacing(now, r);
    if (length != static_cast<size_t>(reportLength_) + 1) {
        r.errors.push_back("bad size");
        return r;
    }
    if (d[0] != 0) {
        r.errors.push_back("bad report id");
        return r;
    }
    if (expected_ == 0) {
        r.errors.push_back("unexpected data");
        return r;
    }
    size_t take = std::min(static_cast<size_t>(reportLength_), expected_ - collected_.size());
    collected_.insert(collected_.end(), d + 1, d + 1 + take);
    if (collected_.size() < expected_) {
        r.note = std::to_string(collected_.size()) + "/" + std::to_string(expected_);
        return r;
    }
    r.note = applyData();
    expected_ = 0;
    collected_.clear();
    paced_ = true;
    pacedSince_ = now;
    return r;
}

std::string Firmware::applyData()
{
    if (pendingDiscard_)
        return "data dropped";
    ++state_.commands;
    const unsigned char *d = collected_.data();
    switch (pendingCode_) {
    case 3: {
        std::string note = "keys";
        for (int b = 0; b < 16; ++b) {
            const unsigned char *w = d + 4 * b; // param3, param2, param1, kind on the wire
            state_.keys[b][0] = w[3];
            state_.keys[b][1] = w[2];
            state_.keys[b][2] = w[1];
            state_.keys[b][3] = w[0];
            note += " " + std::to_string(b) + "=" + list(state_.keys[b], 4);
        }
        return note;
    }
    case 12:
        std::memcpy(state_.colors, d, 64);
        return "colours " + list(d, 24);
    case 5:
        std::memcpy(state_.macros[pendingButton_], d, 192);
        return "macro button " + std::to_string(pendingButton_) + " actions="
               + std::to_string(d[0] * 256 + d[1]);
    default:
        return std::string();
    }
}

size_t Firmware::answer(unsigned char *out, size_t length, std::string *note) const
{
    size_t n = std::min(length, sizeof answer_);
    std::memcpy(out, answer_, n);
    if (note && answer_[1] == 135)
        *note = "level " + std::to_string(answer_[2]);
    return n;
}

} // namespace vmouse
