// The hidapi C API over the virtual bus. Compiled against the system's hidapi.h so that the
// signatures cannot drift from the library this one stands in for.
#include "sim/bus.h"

#include <hidapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

using vmouse::Bus;

namespace {
// The real library replaces a process-wide error string (and more) in these calls without a
// lock; the bus serialises everything and would hide a host that calls them from two threads.
// Each such call is held open a little, so that an overlap shows up reliably; benchmarks,
// which time those calls, set VMOUSE_GLOBAL_HOLD_US=0.
std::atomic<int> g_inside{0};

std::chrono::microseconds globalHold()
{
    static const std::chrono::microseconds hold = [] {
        const char *text = std::getenv("VMOUSE_GLOBAL_HOLD_US");
        return std::chrono::microseconds(text && *text ? std::max(0L, std::strtol(text, nullptr, 10)) : 300L);
    }();
    return hold;
}

class GlobalCall
{
public:
    explicit GlobalCall(const char *name)
    {
        if (g_inside.fetch_add(1) > 0)
            Bus::instance().overlap(name);
        if (globalHold().count() > 0)
            std::this_thread::sleep_for(globalHold());
    }
    ~GlobalCall() { g_inside.fetch_sub(1); }
    GlobalCall(const GlobalCall &) = delete;
    GlobalCall &operator=(const GlobalCall &) = delete;
};
} // namespace

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    const GlobalCall call("hid_init");
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    const GlobalCall call("hid_exit");
    return 0;
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    const GlobalCall call("hid_enumerate");
    return Bus::instance().enumerate(vendor_id, product_id);
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    const GlobalCall call("hid_free_enumeration");
    while (devs) {
        hid_device_info *next = devs->next;
        std::free(devs->path);
        std::free(devs->serial_number);
        std::free(devs->manufacturer_string);
        std::free(devs->product_string);
        std::free(devs);
        devs = next;
    }
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t *serial_number)
{
    const GlobalCall call("hid_open");
    return Bus::instance().open(vendor_id, product_id, serial_number);
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    const GlobalCall call("hid_open_path");
    return Bus::instance().open(path);
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    return Bus::instance().write(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data, size_t length, int milliseconds)
{
    return Bus::instance().read(dev, data, length, milliseconds);
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    return Bus::instance().readDefault(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device *dev, int nonblock)
{
    return Bus::instance().setNonblocking(dev, nonblock);
}

int HID_API_EXPORT HID_API_CALL hid_send_feature_report(hid_device *dev, const unsigned char *data, size_t length)
{
    return Bus::instance().sendFeature(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device *dev, unsigned char *data, size_t length)
{
    return Bus::instance().getFeature(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_get_input_report(hid_device *dev, unsigned char *data, size_t length)
{
    return Bus::instance().getInputReport(dev, data, length);
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    const GlobalCall call("hid_close");
    Bus::instance().close(dev);
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return Bus::instance().string(dev, Bus::Text::Manufacturer, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return Bus::instance().string(dev, Bus::Text::Product, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return Bus::instance().string(dev, Bus::Text::Serial, string, maxlen);
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_get_device_info(hid_device *dev)
{
    return Bus::instance().deviceInfo(dev);
}

int HID_API_EXPORT_CALL hid_get_indexed_string(hid_device *dev, int string_index, wchar_t *string, size_t maxlen)
{
    (void)string_index;
    (void)string;
    (void)maxlen;
    return Bus::instance().indexedString(dev);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    const GlobalCall call("hid_error");
    return Bus::instance().error(dev);
}

HID_API_EXPORT const struct hid_api_version *HID_API_CALL hid_version(void)
{
    static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR, HID_API_VERSION_PATCH};
    return &version;
}

HID_API_EXPORT const char *HID_API_CALL hid_version_str(void)
{
    return HID_API_VERSION_STR;
}

} // extern "C"
