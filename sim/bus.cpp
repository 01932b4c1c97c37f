#include "sim/bus.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace vmouse {

namespace {

const wchar_t manufacturerText[] = L"Virtual";
const wchar_t productText[] = L"Virtual mouse";

thread_local std::wstring globalError;

std::wstring serialOf(int id)
{
    return L"vmouse-" + std::to_wstring(id);
}

wchar_t *wideCopy(const std::wstring &s)
{
    auto *p = static_cast<wchar_t *>(std::calloc(s.size() + 1, sizeof(wchar_t)));
    if (p)
        std::wmemcpy(p, s.c_str(), s.size());
    return p;
}

} // namespace

std::string Bus::Device::path(Interface iface) const
{
    const char *tail = iface == Interface::Command ? "command" : iface == Interface::Event ? "event" : "decoy";
    return "vmouse/" + std::to_string(id) + "/" + tail;
}

Bus &Bus::instance()
{
    // Never destroyed: threads of the host (an event poller, a worker) may still call in while
    // the process runs its exit handlers.
    static Bus *bus = new Bus;
    return *bus;
}

int Bus::plug(const DeviceDescription &desc)
{
    if (desc.reportLength < 1 || desc.reportLength > DeviceDescription::maxReportLength)
        return -1;
    std::lock_guard<std::mutex> lock(mutex_);
    auto d = std::make_shared<Device>();
    d->id = nextId_++;
    d->desc = desc;
    d->firmware = std::make_unique<Firmware>(desc.reportLength);
    devices_[d->id] = d;
    trace_.startClock(Clock::now());
    return d->id;
}

int Bus::addDecoy(unsigned short vid, unsigned short pid, unsigned short usagePage, unsigned short usage)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto d = std::make_shared<Device>();
    d->id = nextId_++;
    d->decoy = true;
    d->desc.vid = vid;
    d->desc.pid = pid;
    d->desc.usagePage = usagePage;
    d->desc.usage = usage;
    devices_[d->id] = d;
    trace_.startClock(Clock::now());
    return d->id;
}

void Bus::unplug(int id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    unplugLocked(id);
}

void Bus::unplugLocked(int id)
{
    auto it = devices_.find(id);
    if (it == devices_.end())
        return;
    it->second->plugged = false;
    devices_.erase(it);
    changed_.notify_all();
}

void Bus::reset()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto &entry : devices_)
        entry.second->plugged = false;
    devices_.clear();
    faults_.clear();
    stallMs_ = 0;
    stallCommandOnly_ = false;
    nextId_ = 0;
    enumerations_ = 0;
    trace_.clear();
    changed_.notify_all();
}

void Bus::pushEvent(int id, const std::array<unsigned char, 4> &event)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(id);
    if (it == devices_.end() || it->second->decoy)
        return;
    it->second->events.push_back(event);
    changed_.notify_all();
}

void Bus::pressDpiButton(int id, int level)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(id);
    if (it == devices_.end() || it->second->decoy)
        return;
    auto lv = static_cast<unsigned char>(level);
    it->second->firmware->setCurrentLevel(lv);
    it->second->events.push_back({4, 1, 0, lv});
    changed_.notify_all();
}

bool Bus::failNext(const std::string &operation, int count)
{
    static const char *known[] = {"open",        "feature",      "write",          "get_feature",
                                  "read",        "short_feature", "unplug_at_write"};
    bool ok = false;
    for (const char *k : known)
        ok = ok || operation == k;
    if (!ok)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (count > 0)
        faults_[operation] = count;
    else
        faults_.erase(operation);
    return true;
}

void Bus::stall(int ms, bool commandOnly)
{
    std::lock_guard<std::mutex> lock(mutex_);
    stallMs_ = ms > 0 ? ms : 0;
    stallCommandOnly_ = commandOnly;
}

std::string Bus::traceText()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return trace_.text();
}

bool Bus::traceToFile(const std::string &path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return trace_.appendToFile(path);
}

int Bus::state(int id, vmouse_state *out)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = devices_.find(id);
    if (it == devices_.end() || it->second->decoy || !out)
        return -1;
    *out = it->second->firmware->state();
    return 0;
}

void Bus::overlap(const char *call)
{
    std::lock_guard<std::mutex> lock(mutex_);
    trace_.addError(Clock::now(), "-", std::string("overlap ") + call + " began while another thread was in one",
                    "hidapi's global state used by two threads at once");
    for (auto &entry : devices_) {
        if (entry.second->firmware)
            entry.second->firmware->countError();
    }
}

// --- helpers (mutex held) ---

hid_device_ *Bus::live(hid_device *dev)
{
    auto it = handles_.find(dev);
    if (it == handles_.end()) {
        globalError = L"unknown device handle";
        return nullptr;
    }
    hid_device_ *h = it->second.get();
    if (!h->device->plugged) {
        h->error = L"device unplugged";
        return nullptr;
    }
    h->error.clear();
    return h;
}

bool Bus::takeFault(const char *operation)
{
    auto it = faults_.find(operation);
    if (it == faults_.end())
        return false;
    if (--it->second <= 0)
        faults_.erase(it);
    return true;
}

void Bus::errorLine(Device &device, const std::string &path, const std::string &reason, const std::string &note)
{
    trace_.addError(Clock::now(), path, reason, note);
    if (device.firmware)
        device.firmware->countError();
}

int Bus::stalled(std::unique_lock<std::mutex> &lock, const std::shared_ptr<Device> &device,
                 const std::string &path, const char *operation)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(stallMs_);
    stallMs_ = 0;
    stallCommandOnly_ = false;
    changed_.wait_until(lock, deadline, [&] { return !device->plugged; });
    if (device->plugged)
        errorLine(*device, path, "stalled", operation);
    return -1;
}

int Bus::commandInput(hid_device_ *h, unsigned char *data, size_t length, bool withReportId)
{
    // hidraw hands a read the report as the mouse sent it, without the report ID 0; an input
    // report asked for by ID (as a feature report is) comes with it in byte 0.
    const size_t report = static_cast<size_t>(h->device->desc.reportLength) + (withReportId ? 1 : 0);
    size_t n = std::min(length, report);
    std::memset(data, 0, n);
    trace_.add(Clock::now(), "input", h->path, data, n);
    return static_cast<int>(n);
}

unsigned Bus::enumerations()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return enumerations_;
}

// --- hidapi ---

hid_device_info *Bus::enumerate(unsigned short vid, unsigned short pid)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++enumerations_;
    hid_device_info *head = nullptr, **tail = &head;
    for (auto &entry : devices_) {
        const Device &d = *entry.second;
        if ((vid && vid != d.desc.vid) || (pid && pid != d.desc.pid))
            continue;
        struct Iface { Interface kind; unsigned short page, usage; int number; };
        Iface ifaces[2] = {{Interface::Command, d.desc.usagePage, d.desc.usage, 1},
                           {Interface::Event, d.desc.usagePage2, d.desc.usage2, 2}};
        if (d.decoy)
            ifaces[0] = {Interface::Decoy, d.desc.usagePage, d.desc.usage, 0};
        for (int i = 0; i < (d.decoy ? 1 : 2); ++i) {
            auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
            if (!info)
                return head;
            info->path = strdup(d.path(ifaces[i].kind).c_str());
            info->vendor_id = d.desc.vid;
            info->product_id = d.desc.pid;
            info->serial_number = wideCopy(serialOf(d.id));
            info->release_number = 0x0100;
            info->manufacturer_string = wideCopy(manufacturerText);
            info->product_string = wideCopy(productText);
            info->usage_page = ifaces[i].page;
            info->usage = ifaces[i].usage;
            info->interface_number = ifaces[i].number;
            info->bus_type = HID_API_BUS_USB;
            *tail = info;
            tail = &info->next;
        }
    }
    return head;
}

hid_device *Bus::open(const char *path)
{
    if (!path) {
        globalError = L"no path";
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return openLocked(path);
}

hid_device *Bus::openLocked(const std::string &path)
{
    for (auto &entry : devices_) {
        const std::shared_ptr<Device> &d = entry.second;
        for (Interface kind : {Interface::Command, Interface::Event, Interface::Decoy}) {
            if ((kind == Interface::Decoy) != d->decoy || d->path(kind) != path)
                continue;
            if (takeFault("open")) {
                errorLine(*d, path, "failed by request", "open");
                globalError = L"open failed by request";
                return nullptr;
            }
            auto h = std::make_unique<hid_device_>();
            h->device = d;
            h->iface = kind;
            h->path = path;
            h->manufacturer = manufacturerText;
            h->product = productText;
            h->serial = serialOf(d->id);
            h->info.path = &h->path[0];
            h->info.vendor_id = d->desc.vid;
            h->info.product_id = d->desc.pid;
            h->info.serial_number = &h->serial[0];
            h->info.release_number = 0x0100;
            h->info.manufacturer_string = &h->manufacturer[0];
            h->info.product_string = &h->product[0];
            h->info.usage_page = kind == Interface::Event ? d->desc.usagePage2 : d->desc.usagePage;
            h->info.usage = kind == Interface::Event ? d->desc.usage2 : d->desc.usage;
            h->info.interface_number = kind == Interface::Command ? 1 : kind == Interface::Event ? 2 : 0;
            h->info.bus_type = HID_API_BUS_USB;
            hid_device *raw = h.get();
            handles_[raw] = std::move(h);
            trace_.add(Clock::now(), "open", path, nullptr, 0);
            return raw;
        }
    }
    globalError = L"no such device";
    return nullptr;
}

hid_device *Bus::open(unsigned short vid, unsigned short pid, const wchar_t *serial)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto &entry : devices_) {
        const Device &d = *entry.second;
        if (d.desc.vid != vid || d.desc.pid != pid)
            continue;
        if (serial && serialOf(d.id) != serial)
            continue;
        return openLocked(d.path(d.decoy ? Interface::Decoy : Interface::Command));
    }
    globalError = L"no such device";
    return nullptr;
}

void Bus::close(hid_device *dev)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = handles_.find(dev);
    if (it == handles_.end())
        return;
    if (it->second->device->plugged)
        trace_.add(Clock::now(), "close", it->second->path, nullptr, 0);
    handles_.erase(it);
}

int Bus::write(hid_device *dev, const unsigned char *data, size_t length)
{
    std::lock_guard<std::mutex> lock(mutex_);
    // Pulled out between a command and its data, at a moment no test thread can hit.
    if (auto it = handles_.find(dev); it != handles_.end() && takeFault("unplug_at_write"))
        unplugLocked(it->second->device->id);
    hid_device_ *h = live(dev);
    if (!h || !data || length == 0)
        return -1;
    Device &d = *h->device;
    if (takeFault("write")) {
        errorLine(d, h->path, "failed by request", "write");
        h->error = L"write failed by request";
        return -1;
    }
    auto now = Clock::now();
    if (h->iface != Interface::Command) {
        trace_.add(now, "output", h->path, data, length);
        errorLine(d, h->path, "wrong interface");
        return static_cast<int>(length);
    }
    Firmware::Result r = d.firmware->output(data, length, now);
    trace_.add(now, "output", h->path, data, length, r.note);
    for (const std::string &e : r.errors)
        errorLine(d, h->path, e);
    return static_cast<int>(length);
}

int Bus::sendFeature(hid_device *dev, const unsigned char *data, size_t length)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hid_device_ *h = live(dev);
    if (!h || !data || length == 0)
        return -1;
    Device &d = *h->device;
    if (takeFault("feature")) {
        errorLine(d, h->path, "failed by request", "feature");
        h->error = L"feature report failed by request";
        return -1;
    }
    auto now = Clock::now();
    if (h->iface != Interface::Command) {
        trace_.add(now, "feature", h->path, data, length);
        errorLine(d, h->path, "wrong interface");
        return static_cast<int>(length);
    }
    Firmware::Result r = d.firmware->feature(data, length, now);
    trace_.add(now, "feature", h->path, data, length, r.note);
    for (const std::string &e : r.errors)
        errorLine(d, h->path, e);
    return static_cast<int>(length);
}

int Bus::getFeature(hid_device *dev, unsigned char *data, size_t length)
{
    std::unique_lock<std::mutex> lock(mutex_);
    hid_device_ *h = live(dev);
    if (!h || !data || length == 0)
        return -1;
    std::shared_ptr<Device> d = h->device;
    if (takeFault("get_feature")) {
        errorLine(*d, h->path, "failed by request", "get_feature");
        h->error = L"get feature report failed by request";
        return -1;
    }
    if (stallMs_ > 0 && (!stallCommandOnly_ || h->iface == Interface::Command))
        return stalled(lock, d, std::string(h->path), "get_feature");
    if (h->iface != Interface::Command || data[0] != 0) {
        errorLine(*d, h->path, h->iface != Interface::Command ? "wrong interface" : "bad report id", "get_feature");
        return -1;
    }
    std::string note;
    unsigned char full[9] = {};
    size_t n = d->firmware->answer(full, length < sizeof full ? length : sizeof full, &note);
    if (takeFault("short_feature")) {
        // Report ID and one byte only; what lies beyond in the caller's buffer is its own.
        n = n < 2 ? n : 2;
        note += note.empty() ? "short by request" : ", short by request";
    }
    std::memcpy(data, full, n);
    trace_.add(Clock::now(), "get-feature", h->path, data, n, note);
    return static_cast<int>(n);
}

int Bus::getInputReport(hid_device *dev, unsigned char *data, size_t length)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hid_device_ *h = live(dev);
    if (!h || !data || length == 0)
        return -1;
    if (h->iface != Interface::Command) {
        errorLine(*h->device, h->path, "wrong interface", "get_input_report");
        return -1;
    }
    return commandInput(h, data, length, true);
}

int Bus::read(hid_device *dev, unsigned char *data, size_t length, int milliseconds)
{
    std::unique_lock<std::mutex> lock(mutex_);
    hid_device_ *h = live(dev);
    if (!h || !data)
        return -1;
    std::shared_ptr<Device> d = h->device;
    const std::string path = h->path; // the handle may be closed while we wait
    if (takeFault("read")) {
        errorLine(*d, path, "failed by request", "read");
        h->error = L"read failed by request";
        return -1;
    }
    if (stallMs_ > 0 && (!stallCommandOnly_ || h->iface == Interface::Command))
        return stalled(lock, d, path, "read");
    if (h->iface == Interface::Command)
        return commandInput(h, data, length, false);

    auto ready = [&] { return !d->plugged || !d->events.empty(); };
    if (milliseconds < 0)
        changed_.wait(lock, ready);
    else if (milliseconds > 0)
        changed_.wait_until(lock, Clock::now() + std::chrono::milliseconds(milliseconds), ready);
    if (!d->plugged)
        return -1;
    if (d->events.empty())
        return 0;
    std::array<unsigned char, 4> ev = d->events.front();
    d->events.pop_front();
    size_t n = std::min(length, ev.size());
    std::memcpy(data, ev.data(), n);
    std::string note;
    if (ev[0] == 4 && ev[1] == 1 && ev[2] == 0)
        note = "dpi level " + std::to_string(ev[3]);
    else if (ev[0] == 4 && ev[1] == 1 && (ev[2] == 1 || ev[2] == 2) && ev[3] == 1)
        note = ev[2] == 1 ? "web address button" : "program button";
    trace_.add(Clock::now(), "event", path, ev.data(), ev.size(), note);
    return static_cast<int>(n);
}

int Bus::readDefault(hid_device *dev, unsigned char *data, size_t length)
{
    bool nonblocking = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = handles_.find(dev);
        if (it == handles_.end())
            return -1;
        nonblocking = it->second->nonblocking;
    }
    return read(dev, data, length, nonblocking ? 0 : -1);
}

int Bus::setNonblocking(hid_device *dev, int nonblock)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hid_device_ *h = live(dev);
    if (!h)
        return -1;
    h->nonblocking = nonblock != 0;
    return 0;
}

int Bus::string(hid_device *dev, Text which, wchar_t *out, size_t maxlen)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hid_device_ *h = live(dev);
    if (!h || !out || maxlen == 0)
        return -1;
    const std::wstring &s = which == Text::Manufacturer ? h->manufacturer
                          : which == Text::Product ? h->product : h->serial;
    size_t n = std::min(s.size(), maxlen - 1);
    std::wmemcpy(out, s.c_str(), n);
    out[n] = L'\0';
    return 0;
}

hid_device_info *Bus::deviceInfo(hid_device *dev)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hid_device_ *h = live(dev);
    return h ? &h->info : nullptr;
}

int Bus::indexedString(hid_device *dev)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hid_device_ *h = live(dev);
    if (h)
        h->error = L"indexed strings are not supported";
    return -1;
}

const wchar_t *Bus::error(hid_device *dev)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!dev)
        return globalError.empty() ? L"Success" : globalError.c_str();
    auto it = handles_.find(dev);
    if (it == handles_.end())
        return L"unknown device handle";
    return it->second->error.empty() ? L"Success" : it->second->error.c_str();
}

} // namespace vmouse
