#include "sim/controlfifo.h"

#include "sim/devicedescription.h"
#include "sim/vmouse.h"
#include "sim/vmousefaults.h"

#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vmouse {

namespace {

bool toInt(const std::string &s, long min, long max, long &out)
{
    if (s.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(s.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

// A program that exports this entry point hears of plugs and unplugs as it would of a real
// device's through udev; one that does not simply finds the change at its next device check.
void announceDeviceChange()
{
    using Hook = void (*)();
    if (void *sym = ::dlsym(RTLD_DEFAULT, "mousecfg_device_changed"))
        reinterpret_cast<Hook>(sym)();
}

} // namespace

ControlFifo::~ControlFifo()
{
    stop();
}

bool ControlFifo::start(const std::string &path)
{
    stop();
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode))
            return false;
        created_ = false;
    } else {
        if (::mkfifo(path.c_str(), 0600) != 0)
            return false;
        created_ = true;
    }
    // Read-write so that the FIFO never reports end-of-file when a writer goes away.
    fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0 || ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        stop();
        return false;
    }
    path_ = path;
    thread_ = std::thread(&ControlFifo::run, this);
    return true;
}

void ControlFifo::stop()
{
    if (thread_.joinable()) {
        char c = 'q';
        ssize_t ignored = ::write(wake_[1], &c, 1);
        (void)ignored;
        thread_.join();
    }
    for (int *fd : {&fd_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    if (created_ && !path_.empty())
        ::unlink(path_.c_str());
    created_ = false;
    path_.clear();
}

void ControlFifo::run()
{
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        char buf[512];
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0)
            continue;
        pending.append(buf, static_cast<size_t>(n));
        size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            runLine(line);
        }
    }
}

bool ControlFifo::runLine(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string word; in >> word;)
        w.push_back(word);
    if (w.empty())
        return false;
    long a = 0, b = 0;
    const std::string &cmd = w[0];
    if (cmd == "plug" && w.size() == 2) {
        DeviceDescription d;
        if (!DeviceDescription::parse(w[1], d)
            || vmouse_plug(d.vid, d.pid, d.usagePage, d.usage, d.usagePage2, d.usage2, d.reportLength) < 0)
            return false;
        announceDeviceChange();
        return true;
    }
    if (cmd == "unplug" && w.size() == 2 && toInt(w[1], 0, 1 << 30, a)) {
        vmouse_unplug(static_cast<int>(a));
        announceDeviceChange();
        return true;
    }
    if (cmd == "dpi-button" && w.size() == 3 && toInt(w[1], 0, 1 << 30, a) && toInt(w[2], 0, 255, b)) {
        vmouse_press_dpi_button(static_cast<int>(a), static_cast<int>(b));
        return true;
    }
    if (cmd == "event" && w.size() == 6 && toInt(w[1], 0, 1 << 30, a)) {
        unsigned char ev[4];
        for (int i = 0; i < 4; ++i) {
            long v = 0;
            if (!toInt(w[2 + i], 0, 255, v))
                return false;
            ev[i] = static_cast<unsigned char>(v);
        }
        vmouse_push_event(static_cast<int>(a), ev[0], ev[1], ev[2], ev[3]);
        return true;
    }
    if (cmd == "fail" && w.size() == 3 && toInt(w[2], 0, 1 << 30, b)) {
        static const char *known[] = {"open", "feature", "write", "get_feature", "read"};
        for (const char *k : known)
            if (w[1] == k) {
                vmouse_fail_next(k, static_cast<int>(b));
                return true;
            }
        return false;
    }
    if (cmd == "stall" && w.size() == 2 && toInt(w[1], 0, 600000, a)) {
        vmouse_stall(static_cast<int>(a));
        return true;
    }
    if (cmd == "reset" && w.size() == 1) {
        vmouse_reset();
        return true;
    }
    return false;
}

} // namespace vmouse
