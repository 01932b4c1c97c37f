/* Remote control of the virtual mouse from outside the process: a FIFO read on a background
 * thread, one command a line:
 *   plug vid:pid:up:u:up2:u2:len | unplug ID | dpi-button ID LEVEL | event ID B0 B1 B2 B3 |
 *   fail OPERATION COUNT | stall MS | reset
 * plug and unplug are announced to the program through its exported entry point
 * mousecfg_device_changed(), where it has one, as a real device's would be by udev.
 * The thread never keeps the process alive: it is woken and joined at library unload. */
#ifndef VMOUSE_CONTROLFIFO_H
#define VMOUSE_CONTROLFIFO_H

#include <string>
#include <thread>

namespace vmouse {

class ControlFifo
{
public:
    ControlFifo() = default;
    ~ControlFifo();
    ControlFifo(const ControlFifo &) = delete;
    ControlFifo &operator=(const ControlFifo &) = delete;

    // Creates the FIFO (or reuses an existing one) and starts reading it.
    bool start(const std::string &path);
    // Stops the thread; removes the FIFO if start() created it.
    void stop();

    // Carries out one control line; false when it is malformed.
    static bool runLine(const std::string &line);

private:
    void run();

    std::string path_;
    bool created_ = false;
    int fd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

} // namespace vmouse

#endif
