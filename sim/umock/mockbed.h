/* A umockdev testbed with mocked mice: each mouse is a USB device with real sysfs attributes,
 * HID report descriptors and hidraw nodes, driven by the virtual mouse's firmware model, for
 * programs that run on the real hidapi-hidraw and libudev. The program must run as a child
 * with childEnvironment(), and this process under preloadSelf(). Not thread-safe: call it from one thread. */
#ifndef UMOCK_MOCKBED_H
#define UMOCK_MOCKBED_H

#include "sim/devicedescription.h"
#include "sim/umock/hidrawnode.h"
#include "sim/vmousestate.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace umock {

class MockBed
{
public:
    MockBed();
    ~MockBed();
    MockBed(const MockBed &) = delete;
    MockBed &operator=(const MockBed &) = delete;

    bool valid() const { return bed_ != nullptr; }
    // UMOCKDEV_DIR, LD_PRELOAD (with ASan's runtime first when this build has it) and the
    // nodes whose open is refused.
    std::map<std::string, std::string> childEnvironment() const;

    // Plugs a mouse and sends its "add" events; `combined` puts both collections on one
    // interface. Returns its id, or -1.
    int plug(const vmouse::DeviceDescription &desc, bool combined = false);
    // A keyboard and a headset of another maker.
    void plugDecoys();
    // Hangs every node of the mouse up, sends the "remove" events and removes its sysfs tree.
    void unplug(int id);

    // Its nodes, command interface first (one node when combined).
    std::vector<std::string> nodes(int id) const;
    // The node of the mouse's event interface (the command node when combined).
    std::string eventNode(int id) const;
    std::string commandNode(int id) const;
    // Opens of `node` fail with EACCES in children started after this, as without the udev rule.
    void denyOpen(const std::string &node);

    void pushEvent(int id, unsigned char b0, unsigned char b1, unsigned char b2, unsigned char b3);
    // The mouse's DPI button: its level changes and it reports the new level.
    void pressDpiButton(int id, int level);
    void stallFeatureReads(int id, int ms);
    // The mouse is pulled out as the next interrupt write reaches it: that write fails, and
    // unplug() then sends the events.
    void unplugAtNextWrite(int id);
    bool leftDuringWrite(int id);

    bool state(int id, vmouse_state *out);
    std::string trace();
    std::string root() const { return root_; }

    // The testbed's own events need its library in this process too: starts the process again
    // with it preloaded, unless it is already (call first thing in main()).
    static void preloadSelf(char **argv);
    // The ASan runtime the children need first in LD_PRELOAD, or empty.
    static std::string sanitizerRuntime();

private:
    struct Mouse;
    Mouse *find(int id) const;
    std::unique_ptr<HidrawNode> addNode(Mouse &m, const std::string &hidPath, HidrawNode::Role role,
                                        HidrawNode::Bytes descriptor, vmouse::Firmware *firmware);
    std::string usbDevice(Mouse &m, const std::string &product);
    std::string hidDevice(Mouse &m, const std::string &parent, int interface, const std::string &name,
                          const HidrawNode::Bytes &descriptor);

    UMockdevTestbed *bed_ = nullptr;
    std::string root_;
    HidrawNode::Shared shared_;
    std::map<int, std::unique_ptr<Mouse>> mice_;
    std::vector<std::string> denied_;
    int nextId_ = 0;
    int nextPort_ = 1;
    int nextHid_ = 1;
    int nextHidraw_ = 0;
};

} // namespace umock

#endif
