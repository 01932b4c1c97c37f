#include "sim/umock/mockbed.h"

#include "sim/firmware.h"
#include "sim/umock/reportdescriptor.h"

#include <umockdev.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace umock {

struct MockBed::Mouse
{
    int id = 0;
    vmouse::DeviceDescription desc;
    bool decoy = false;
    std::unique_ptr<vmouse::Firmware> firmware;
    std::string usbPath;                 // syspath of the USB device
    std::vector<std::string> eventPaths; // syspaths the "remove" events name, children first
    std::vector<std::unique_ptr<HidrawNode>> nodes;
};

namespace {

std::string hex4(unsigned v, bool upper)
{
    char b[8];
    std::snprintf(b, sizeof b, upper ? "%04X" : "%04x", v & 0xffff);
    return b;
}

std::string hexBytes(const HidrawNode::Bytes &bytes)
{
    std::string s;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        s += b;
    }
    return s;
}

const char usbRoot[] = "/devices/pci0000:00/0000:00:14.0/usb1";

} // namespace

MockBed::MockBed()
{
    bed_ = umockdev_testbed_new();
    if (bed_) {
        gchar *root = umockdev_testbed_get_root_dir(bed_);
        root_ = root ? root : "";
        g_free(root);
    }
}

MockBed::~MockBed()
{
    // Nodes go before the testbed: their handlers are attached to it.
    mice_.clear();
    if (bed_)
        g_object_unref(bed_);
    // The testbed leaves its folder behind when a program in it was killed.
    std::error_code ignored;
    if (!root_.empty())
        std::filesystem::remove_all(root_, ignored);
}

void MockBed::preloadSelf(char **argv)
{
    // Set by the start below: a process that has the library, or has tried once, goes on.
    if (std::getenv("UMOCK_PRELOADED"))
        return;
    setenv("UMOCK_PRELOADED", "1", 1);
    std::string preload;
    const std::string asan = sanitizerRuntime();
    if (!asan.empty())
        preload = asan + ":";
    preload += "libumockdev-preload.so.0";
    setenv("LD_PRELOAD", preload.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("umock: cannot start again with the testbed library");
    std::exit(1);
}

std::string MockBed::sanitizerRuntime()
{
#ifdef UMOCK_ASAN_RUNTIME
    return UMOCK_ASAN_RUNTIME;
#else
    return std::string();
#endif
}

std::map<std::string, std::string> MockBed::childEnvironment() const
{
    std::map<std::string, std::string> env;
    env["UMOCKDEV_DIR"] = root_;
    std::string preload;
    const std::string asan = sanitizerRuntime();
    if (!asan.empty())
        preload = asan + ":";
#ifdef UMOCK_DENY_LIBRARY
    if (!denied_.empty())
        preload += std::string(UMOCK_DENY_LIBRARY) + ":";
#endif
    preload += "libumockdev-preload.so.0";
    env["LD_PRELOAD"] = preload;
    std::string denied;
    for (const std::string &n : denied_)
        denied += (denied.empty() ? "" : ":") + n;
    env["UMOCK_DENY_OPEN"] = denied;
    return env;
}

std::string MockBed::usbDevice(Mouse &m, const std::string &product)
{
    const int port = nextPort_++;
    m.usbPath = std::string(usbRoot) + "/1-" + std::to_string(port);
    std::string text = "P: " + m.usbPath + "\n"
                       "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
                       "E: BUSNUM=001\nE: DEVNUM=" + std::to_string(100 + port) + "\n"
                       "A: idVendor=" + hex4(m.desc.vid, false) + "\n"
                       "A: idProduct=" + hex4(m.desc.pid, false) + "\n"
                       "A: bcdDevice=0100\nA: manufacturer=Mocked\n"
                       "A: product=" + product + "\n"
                       "A: serial=\n"
                       "A: busnum=1\nA: devnum=" + std::to_string(100 + port) + "\n\n";
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(bed_, text.c_str(), &error)) {
        std::fprintf(stderr, "umock: %s\n", error ? error->message : "cannot add the USB device");
        if (error)
            g_error_free(error);
        return std::string();
    }
    return m.usbPath;
}

std::string MockBed::hidDevice(Mouse &m, const std::string &parent, int interface, const std::string &name,
                               const HidrawNode::Bytes &descriptor)
{
    const std::string ifacePath = parent + "/1-" + parent.substr(parent.rfind('-') + 1) + ":1."
                                  + std::to_string(interface);
    const int hidNumber = nextHid_++;
    const std::string hidPath = ifacePath + "/0003:" + hex4(m.desc.vid, true) + ":" + hex4(m.desc.pid, true)
                                + "." + hex4(static_cast<unsigned>(hidNumber), true);
    const int minor = nextHidraw_++;
    const std::string node = "hidraw" + std::to_string(minor);
    const std::string rawPath = hidPath + "/hidraw/" + node;
    char ifnum[8];
    std::snprintf(ifnum, sizeof ifnum, "%02x", interface);
    std::string text = "P: " + ifacePath + "\n"
                       "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: INTERFACE=3/0/0\n"
                       "A: bInterfaceNumber=" + ifnum + "\nA: bInterfaceClass=03\n\n"
                       "P: " + hidPath + "\n"
                       "E: SUBSYSTEM=hid\nE: DRIVER=hid-generic\n"
                       "E: HID_ID=0003:0000" + hex4(m.desc.vid, true) + ":0000" + hex4(m.desc.pid, true) + "\n"
                       "E: HID_NAME=" + name + "\nE: HID_PHYS=usb-0000:00:14.0-1/input" + std::to_string(interface) + "\n"
                       "E: HID_UNIQ=\n"
                       "H: report_descriptor=" + hexBytes(descriptor) + "\n\n"
                       "P: " + rawPath + "\n"
                       "N: " + node + "\n"
                       "L: device=../../\n"
                       "E: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/" + node + "\n"
                       "E: MAJOR=241\nE: MINOR=" + std::to_string(minor) + "\n"
                       "A: dev=241:" + std::to_string(minor) + "\n\n";
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(bed_, text.c_str(), &error)) {
        std::fprintf(stderr, "umock: %s\n", error ? error->message : "cannot add the HID device");
        if (error)
            g_error_free(error);
        return std::string();
    }
    m.eventPaths.insert(m.eventPaths.begin(), {"/sys" + rawPath, "/sys" + hidPath, "/sys" + ifacePath});
    return "/dev/" + node;
}

std::unique_ptr<HidrawNode> MockBed::addNode(Mouse &m, const std::string &devnode, HidrawNode::Role role,
                                             HidrawNode::Bytes descriptor, vmouse::Firmware *firmware)
{
    auto node = std::make_unique<HidrawNode>(shared_, devnode, role, std::move(descriptor), firmware,
                                             m.desc.vid, m.desc.pid);
    GError *error = nullptr;
    if (!umockdev_testbed_attach_ioctl(bed_, devnode.c_str(), node->handler(), &error)) {
        std::fprintf(stderr, "umock: %s\n", error ? error->message : "cannot attach the node's handler");
        if (error)
            g_error_free(error);
        return nullptr;
    }
    node->setPty(umockdev_testbed_get_dev_fd(bed_, devnode.c_str()));
    return node;
}

int MockBed::plug(const vmouse::DeviceDescription &desc, bool combined)
{
    if (!bed_ || desc.reportLength < 1 || desc.reportLength > 255)
        return -1;
    auto m = std::make_unique<Mouse>();
    m->id = nextId_++;
    m->desc = desc;
    m->firmware = std::make_unique<vmouse::Firmware>(desc.reportLength);
    const std::string usb = usbDevice(*m, "Mocked mouse");
    if (usb.empty())
        return -1;
    std::vector<std::pair<std::string, HidrawNode::Role>> made;
    std::vector<HidrawNode::Bytes> descriptors;
    if (combined) {
        descriptors.push_back(ReportDescriptor::combined(desc.usagePage, desc.usage, desc.usagePage2,
                                                         desc.usage2, desc.reportLength));
        made.emplace_back(hidDevice(*m, usb, 0, "Mocked mouse", descriptors.back()), HidrawNode::Role::Both);
    } else {
        descriptors.push_back(ReportDescriptor::commandInterface(desc.usagePage, desc.usage, desc.reportLength));
        made.emplace_back(hidDevice(*m, usb, 0, "Mocked mouse", descriptors.back()), HidrawNode::Role::Command);
        descriptors.push_back(ReportDescriptor::eventInterface(desc.usagePage2, desc.usage2));
        made.emplace_back(hidDevice(*m, usb, 1, "Mocked mouse", descriptors.back()), HidrawNode::Role::Event);
    }
    m->eventPaths.push_back("/sys" + usb);
    for (size_t i = 0; i < made.size(); ++i) {
        if (made[i].first.empty())
            return -1;
        auto node = addNode(*m, made[i].first, made[i].second, descriptors[i], m->firmware.get());
        if (!node)
            return -1;
        m->nodes.push_back(std::move(node));
    }
    // Parents first, as the kernel announces them.
    for (auto it = m->eventPaths.rbegin(); it != m->eventPaths.rend(); ++it)
        umockdev_testbed_uevent(bed_, it->c_str(), "add");
    const int id = m->id;
    {
        std::lock_guard<std::mutex> lock(shared_.lock);
        shared_.trace.startClock(vmouse::Trace::Clock::now());
    }
    mice_[id] = std::move(m);
    return id;
}

void MockBed::plugDecoys()
{
    if (!bed_)
        return;
    struct Decoy
    {
        unsigned short vid, pid;
        const char *name;
        HidrawNode::Bytes descriptor;
    };
    const Decoy decoys[] = {{0x1d50, 0x6101, "Mocked keyboard", ReportDescriptor::keyboard()},
                            {0x1d50, 0x6102, "Mocked headset", ReportDescriptor::headset()}};
    for (const Decoy &d : decoys) {
        auto m = std::make_unique<Mouse>();
        m->id = nextId_++;
        m->decoy = true;
        m->desc.vid = d.vid;
        m->desc.pid = d.pid;
        const std::string usb = usbDevice(*m, d.name);
        if (usb.empty())
            continue;
        const std::string node = hidDevice(*m, usb, 0, d.name, d.descriptor);
        m->eventPaths.push_back("/sys" + usb);
        if (node.empty())
            continue;
        if (auto n = addNode(*m, node, HidrawNode::Role::Decoy, d.descriptor, nullptr))
            m->nodes.push_back(std::move(n));
        for (auto it = m->eventPaths.rbegin(); it != m->eventPaths.rend(); ++it)
            umockdev_testbed_uevent(bed_, it->c_str(), "add");
        mice_[m->id] = std::move(m);
    }
}

MockBed::Mouse *MockBed::find(int id) const
{
    auto it = mice_.find(id);
    return it == mice_.end() ? nullptr : it->second.get();
}

void MockBed::unplug(int id)
{
    Mouse *m = find(id);
    if (!m || m->usbPath.empty())
        return;
    {
        std::lock_guard<std::mutex> lock(shared_.lock);
        for (auto &n : m->nodes)
            n->hangUp();
    }
    // Children first, then the directories go; the handlers stay attached, so that calls on
    // handles still open keep failing as on a removed node.
    for (const std::string &p : m->eventPaths)
        umockdev_testbed_uevent(bed_, p.c_str(), "remove");
    umockdev_testbed_remove_device(bed_, ("/sys" + m->usbPath).c_str());
    m->usbPath.clear();
}

std::vector<std::string> MockBed::nodes(int id) const
{
    std::vector<std::string> list;
    if (const Mouse *m = find(id))
        for (const auto &n : m->nodes)
            list.push_back(n->devnode());
    return list;
}

std::string MockBed::commandNode(int id) const
{
    const std::vector<std::string> list = nodes(id);
    return list.empty() ? std::string() : list.front();
}

std::string MockBed::eventNode(int id) const
{
    const std::vector<std::string> list = nodes(id);
    return list.empty() ? std::string() : list.back();
}

void MockBed::denyOpen(const std::string &node)
{
    denied_.push_back(node);
}

void MockBed::pushEvent(int id, unsigned char b0, unsigned char b1, unsigned char b2, unsigned char b3)
{
    Mouse *m = find(id);
    if (!m || m->decoy || m->nodes.empty())
        return;
    std::lock_guard<std::mutex> lock(shared_.lock);
    m->nodes.back()->pushInput({b0, b1, b2, b3});
}

void MockBed::pressDpiButton(int id, int level)
{
    Mouse *m = find(id);
    if (!m || m->decoy || m->nodes.empty())
        return;
    std::lock_guard<std::mutex> lock(shared_.lock);
    const auto lv = static_cast<unsigned char>(level);
    m->firmware->setCurrentLevel(lv);
    m->nodes.back()->pushInput({4, 1, 0, lv});
}

void MockBed::stallFeatureReads(int id, int ms)
{
    Mouse *m = find(id);
    if (!m || m->nodes.empty())
        return;
    std::lock_guard<std::mutex> lock(shared_.lock);
    m->nodes.front()->stallFeatureReads(ms);
}

void MockBed::unplugAtNextWrite(int id)
{
    Mouse *m = find(id);
    if (!m || m->nodes.empty())
        return;
    std::lock_guard<std::mutex> lock(shared_.lock);
    for (auto &n : m->nodes)
        n->goneAtNextWrite(n.get() == m->nodes.front().get());
}

bool MockBed::leftDuringWrite(int id)
{
    Mouse *m = find(id);
    if (!m || m->nodes.empty())
        return false;
    std::lock_guard<std::mutex> lock(shared_.lock);
    if (!m->nodes.front()->leftDuringWrite())
        return false;
    // The others go with it.
    for (auto &n : m->nodes)
        n->hangUp();
    return true;
}

bool MockBed::state(int id, vmouse_state *out)
{
    Mouse *m = find(id);
    if (!m || m->decoy || !out)
        return false;
    std::lock_guard<std::mutex> lock(shared_.lock);
    *out = m->firmware->state();
    return true;
}

std::string MockBed::trace()
{
    std::lock_guard<std::mutex> lock(shared_.lock);
    return shared_.trace.text();
}

} // namespace umock
