/* Every virtual mouse and decoy that is plugged, the open handles, the trace and the faults,
 * behind one mutex: the hidapi functions and the vmouse_* controls are thin calls into here. */
#ifndef VMOUSE_BUS_H
#define VMOUSE_BUS_H

#include "sim/devicedescription.h"
#include "sim/firmware.h"
#include "sim/trace.h"

#include <hidapi.h>

#include <array>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace vmouse {

class Bus
{
public:
    using Clock = std::chrono::steady_clock;
    enum class Interface { Command, Event, Decoy };

    struct Device
    {
        int id = 0;
        DeviceDescription desc;
        bool decoy = false;
        bool plugged = true;
        std::unique_ptr<Firmware> firmware; // none for a decoy
        std::deque<std::array<unsigned char, 4>> events;

        std::string path(Interface iface) const;
    };

    static Bus &instance();

    // Controls (vmouse.h).
    int plug(const DeviceDescription &desc);
    int addDecoy(unsigned short vid, unsigned short pid, unsigned short usagePage, unsigned short usage);
    void unplug(int id);
    void reset();
    void pushEvent(int id, const std::array<unsigned char, 4> &event);
    void pressDpiButton(int id, int level);
    bool failNext(const std::string &operation, int count);
    void stall(int ms, bool commandOnly = false);
    std::string traceText();
    bool traceToFile(const std::string &path);
    int state(int id, vmouse_state *out);
    unsigned enumerations();
    // Two calls that touch hidapi's process-wide state ran at the same time: an error line,
    // counted by every plugged mouse.
    void overlap(const char *call);

    // hidapi.
    hid_device_info *enumerate(unsigned short vid, unsigned short pid);
    hid_device *open(const char *path);
    hid_device *open(unsigned short vid, unsigned short pid, const wchar_t *serial);
    void close(hid_device *dev);
    int write(hid_device *dev, const unsigned char *data, size_t length);
    int sendFeature(hid_device *dev, const unsigned char *data, size_t length);
    int getFeature(hid_device *dev, unsigned char *data, size_t length);
    int getInputReport(hid_device *dev, unsigned char *data, size_t length);
    int read(hid_device *dev, unsigned char *data, size_t length, int milliseconds); // < 0 blocks
    int readDefault(hid_device *dev, unsigned char *data, size_t length); // blocking or not, as set
    int setNonblocking(hid_device *dev, int nonblock);
    enum class Text { Manufacturer, Product, Serial };
    int string(hid_device *dev, Text which, wchar_t *out, size_t maxlen);
    hid_device_info *deviceInfo(hid_device *dev);
    int indexedString(hid_device *dev);
    const wchar_t *error(hid_device *dev);

private:
    Bus() = default;

    hid_device_ *live(hid_device *dev); // a registered handle whose device is still plugged
    bool takeFault(const char *operation);
    void unplugLocked(int id);
    void errorLine(Device &device, const std::string &path, const std::string &reason,
                   const std::string &note = std::string());
    int stalled(std::unique_lock<std::mutex> &lock, const std::shared_ptr<Device> &device,
                const std::string &path, const char *operation);
    int commandInput(hid_device_ *h, unsigned char *data, size_t length, bool withReportId);
    hid_device *openLocked(const std::string &path);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<int, std::shared_ptr<Device>> devices_;
    std::unordered_map<hid_device *, std::unique_ptr<hid_device_>> handles_;
    std::map<std::string, int> faults_;
    int stallMs_ = 0;
    bool stallCommandOnly_ = false;
    int nextId_ = 0;
    unsigned enumerations_ = 0; // not traced: an enumeration reaches no device
    Trace trace_;
};

} // namespace vmouse

// hidapi's opaque handle.
struct hid_device_
{
    std::shared_ptr<vmouse::Bus::Device> device;
    vmouse::Bus::Interface iface = vmouse::Bus::Interface::Command;
    std::string path;
    bool nonblocking = false;
    std::wstring error;
    std::wstring manufacturer, product, serial;
    hid_device_info info{};
};

#endif
