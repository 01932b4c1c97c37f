/* One mocked /dev/hidrawN: answers the calls umockdev forwards from the program the way the
 * kernel's hidraw and usbhid drivers do for a device without report IDs, and hands what reaches
 * the mouse to its firmware model. Runs on the testbed's worker thread; every call takes the
 * bed's lock. */
#ifndef UMOCK_HIDRAWNODE_H
#define UMOCK_HIDRAWNODE_H

#include "sim/firmware.h"
#include "sim/trace.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace umock {

class HidrawNode
{
public:
    enum class Role { Command, Event, Both, Decoy };
    using Bytes = std::vector<unsigned char>;

    struct Shared
    {
        std::mutex lock;
        vmouse::Trace trace;
    };

    HidrawNode(Shared &shared, std::string devnode, Role role, Bytes descriptor,
               vmouse::Firmware *firmware, unsigned short vid, unsigned short pid);
    ~HidrawNode();
    HidrawNode(const HidrawNode &) = delete;
    HidrawNode &operator=(const HidrawNode &) = delete;

    UMockdevIoctlBase *handler() const { return handler_; }
    const std::string &devnode() const { return devnode_; }
    Role role() const { return role_; }

    // The master side of the node's pty (from the testbed), for the readiness byte.
    void setPty(int fd);
    // An input report from the mouse (caller holds the lock).
    void pushInput(const Bytes &report);
    // The mouse left: pending and later calls fail with ENODEV and the pty hangs up
    // (caller holds the lock).
    void hangUp();
    // Feature reads are left unanswered for `ms` and then fail as a USB control time-out;
    // 0 answers again (caller holds the lock).
    void stallFeatureReads(int ms) { stallMs_ = ms; }
    // The mouse leaves as the next interrupt write reaches it (caller holds the lock).
    void goneAtNextWrite(bool on) { goneAtWrite_ = on; }
    // Set once a write found the mouse gone that way.
    bool leftDuringWrite() const { return leftDuringWrite_; }

private:
    static int onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self);
    static int onRead(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self);
    static int onWrite(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self);

    void ioctl(UMockdevIoctlClient *client);
    void read(UMockdevIoctlClient *client);
    void write(UMockdevIoctlClient *client);
    void serveRead(UMockdevIoctlClient *client);
    void fail(const char *operation, const std::string &reason);
    void makeReady();

    Shared &shared_;
    std::string devnode_;
    Role role_;
    Bytes descriptor_;
    vmouse::Firmware *firmware_;
    unsigned short vid_, pid_;
    UMockdevIoctlBase *handler_ = nullptr;
    int pty_ = -1;
    bool ready_ = false;
    bool gone_ = false;
    bool goneAtWrite_ = false;
    bool leftDuringWrite_ = false;
    int stallMs_ = 0;
    std::deque<Bytes> input_;
    std::deque<UMockdevIoctlClient *> waitingReads_;
};

} // namespace umock

#endif
