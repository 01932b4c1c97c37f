#include "sim/umock/hidrawnode.h"

#include <umockdev.h>

#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace umock {

namespace {

using Clock = std::chrono::steady_clock;

void complete(UMockdevIoctlClient *client, long result, int error)
{
    umockdev_ioctl_client_complete(client, result, error);
}

// The argument of an ioctl points into the program's memory; this brings `length` bytes of it
// here (and back when completed).
UMockdevIoctlData *argument(UMockdevIoctlClient *client, size_t length)
{
    GError *error = nullptr;
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, &error);
    if (error)
        g_error_free(error);
    return data;
}

} // namespace

HidrawNode::HidrawNode(Shared &shared, std::string devnode, Role role, Bytes descriptor,
                       vmouse::Firmware *firmware, unsigned short vid, unsigned short pid)
    : shared_(shared), devnode_(std::move(devnode)), role_(role), descriptor_(std::move(descriptor)),
      firmware_(firmware), vid_(vid), pid_(pid)
{
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&HidrawNode::onIoctl), this);
    g_signal_connect(handler_, "handle-read", G_CALLBACK(&HidrawNode::onRead), this);
    g_signal_connect(handler_, "handle-write", G_CALLBACK(&HidrawNode::onWrite), this);
}

HidrawNode::~HidrawNode()
{
    g_signal_handlers_disconnect_by_data(handler_, this);
    for (UMockdevIoctlClient *c : waitingReads_) {
        complete(c, -1, ENODEV);
        g_object_unref(c);
    }
    g_object_unref(handler_);
}

void HidrawNode::setPty(int fd)
{
    pty_ = fd;
}

int HidrawNode::onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self)
{
    static_cast<HidrawNode *>(self)->ioctl(client);
    return TRUE;
}

int HidrawNode::onRead(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self)
{
    static_cast<HidrawNode *>(self)->read(client);
    return TRUE;
}

int HidrawNode::onWrite(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self)
{
    static_cast<HidrawNode *>(self)->write(client);
    return TRUE;
}

void HidrawNode::fail(const char *operation, const std::string &reason)
{
    shared_.trace.addError(Clock::now(), devnode_, std::string(operation) + " " + reason);
    if (firmware_)
        firmware_->countError();
}

void HidrawNode::ioctl(UMockdevIoctlClient *client)
{
    std::lock_guard<std::mutex> lock(shared_.lock);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    if (gone_) {
        complete(client, -1, ENODEV);
        return;
    }
    const unsigned type = _IOC_TYPE(request), nr = _IOC_NR(request);
    const size_t size = _IOC_SIZE(request);
    if (request == HIDIOCGRDESCSIZE) {
        UMockdevIoctlData *d = argument(client, sizeof(int));
        if (!d)
            return complete(client, -1, EFAULT);
        const int n = static_cast<int>(descriptor_.size());
        std::memcpy(d->data, &n, sizeof n);
        complete(client, 0, 0);
        g_object_unref(d);
        return;
    }
    if (request == HIDIOCGRDESC) {
        UMockdevIoctlData *d = argument(client, sizeof(hidraw_report_descriptor));
        if (!d)
            return complete(client, -1, EFAULT);
        auto *rd = reinterpret_cast<hidraw_report_descriptor *>(d->data);
        if (rd->size > HID_MAX_DESCRIPTOR_SIZE - 1) {
            complete(client, -1, EINVAL);
        } else {
            const size_t n = std::min<size_t>(rd->size, descriptor_.size());
            std::memcpy(rd->value, descriptor_.data(), n);
            complete(client, 0, 0);
        }
        g_object_unref(d);
        return;
    }
    if (request == HIDIOCGRAWINFO) {
        UMockdevIoctlData *d = argument(client, sizeof(hidraw_devinfo));
        if (!d)
            return complete(client, -1, EFAULT);
        hidraw_devinfo info{};
        info.bustype = 3; // BUS_USB
        info.vendor = static_cast<__s16>(vid_);
        info.product = static_cast<__s16>(pid_);
        std::memcpy(d->data, &info, sizeof info);
        complete(client, 0, 0);
        g_object_unref(d);
        return;
    }
    if (type == 'H' && (nr == 0x06 || nr == 0x07) && size > 0) {
        UMockdevIoctlData *d = argument(client, size);
        if (!d)
            return complete(client, -1, EFAULT);
        unsigned char *buf = d->data;
        const auto now = Clock::now();
        if (nr == 0x06) {
            // usbhid sends a report without ID without its leading zero.
            const bool unnumbered = buf[0] == 0;
            const unsigned char *atMouse = unnumbered ? buf + 1 : buf;
            const size_t n = unnumbered ? size - 1 : size;
            std::string note;
            if (firmware_) {
                Bytes report(1, 0);
                report.insert(report.end(), atMouse, atMouse + n);
                if (!unnumbered)
                    report.assign(buf, buf + size);
                vmouse::Firmware::Result r = firmware_->feature(report.data(), report.size(), now);
                note = r.note;
                shared_.trace.add(now, "feature", devnode_, atMouse, n, note);
                for (const std::string &e : r.errors)
                    fail("feature", e);
            } else {
                shared_.trace.add(now, "feature", devnode_, atMouse, n);
            }
            complete(client, static_cast<long>(size), 0);
        } else if (stallMs_ > 0) {
            shared_.trace.addError(now, devnode_, "get-feature unanswered", "the mouse stopped answering");
            g_object_ref(client);
            const int ms = stallMs_;
            // The control transfer times out in the kernel; the handler thread must not wait.
            std::thread([client, ms, d] {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                complete(client, -1, ETIMEDOUT);
                g_object_unref(d);
                g_object_unref(client);
            }).detach();
            return;
        } else {
            unsigned char answer[9] = {};
            std::string note;
            if (firmware_)
                firmware_->answer(answer, sizeof answer, &note);
            // The mouse answers 8 bytes behind the report ID the caller put in byte 0.
            const size_t n = std::min<size_t>(size - 1, 8);
            std::memcpy(buf + 1, answer + 1, n);
            shared_.trace.add(now, "get-feature", devnode_, buf + 1, n, note);
            complete(client, static_cast<long>(n + 1), 0);
        }
        g_object_unref(d);
        return;
    }
    complete(client, -1, ENOTTY);
}

void HidrawNode::write(UMockdevIoctlClient *client)
{
    std::lock_guard<std::mutex> lock(shared_.lock);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    const size_t length = static_cast<size_t>(arg->data_len);
    const auto now = Clock::now();
    if (!gone_ && goneAtWrite_ && role_ != Role::Event) {
        goneAtWrite_ = false;
        leftDuringWrite_ = true;
        shared_.trace.addError(now, devnode_, "output refused", "unplugged as the write began");
        hangUp();
    }
    if (gone_) {
        complete(client, -1, ENODEV);
        return;
    }
    if (length == 0) {
        complete(client, -1, EINVAL);
        return;
    }
    const unsigned char *buf = arg->data;
    const bool unnumbered = buf[0] == 0;
    const unsigned char *atMouse = unnumbered ? buf + 1 : buf;
    const size_t n = unnumbered ? length - 1 : length;
    if (firmware_ && role_ != Role::Event) {
        Bytes report;
        if (unnumbered)
            report.push_back(0);
        report.insert(report.end(), atMouse, atMouse + n);
        vmouse::Firmware::Result r = firmware_->output(report.data(), report.size(), now);
        shared_.trace.add(now, "output", devnode_, atMouse, n, r.note);
        for (const std::string &e : r.errors)
            fail("output", e);
    } else {
        shared_.trace.add(now, "output", devnode_, atMouse, n);
    }
    complete(client, static_cast<long>(length), 0);
}

void HidrawNode::read(UMockdevIoctlClient *client)
{
    std::lock_guard<std::mutex> lock(shared_.lock);
    if (gone_) {
        complete(client, -1, ENODEV);
        return;
    }
    if (input_.empty()) {
        // A blocking read waits for the next report.
        g_object_ref(client);
        waitingReads_.push_back(client);
        return;
    }
    serveRead(client);
}

void HidrawNode::serveRead(UMockdevIoctlClient *client)
{
    Bytes report = input_.front();
    input_.pop_front();
    if (input_.empty() && ready_) {
        // The readiness byte is taken by a real read on the program's side of the pty: from
        // the master side it cannot be taken back. The argument is fetched again after it.
        GError *error = nullptr;
        int err = 0;
        umockdev_ioctl_client_execute(client, &err, &error);
        if (error)
            g_error_free(error);
        ready_ = false;
    }
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    const size_t n = std::min(report.size(), static_cast<size_t>(arg->data_len));
    std::memcpy(arg->data, report.data(), n);
    shared_.trace.add(Clock::now(), "input", devnode_, report.data(), n);
    complete(client, static_cast<long>(n), 0);
}

void HidrawNode::pushInput(const Bytes &report)
{
    if (gone_)
        return;
    input_.push_back(report);
    if (!waitingReads_.empty()) {
        UMockdevIoctlClient *c = waitingReads_.front();
        waitingReads_.pop_front();
        serveRead(c);
        g_object_unref(c);
        return;
    }
    makeReady();
}

void HidrawNode::makeReady()
{
    if (pty_ < 0 || ready_)
        return;
    // One byte on the pty while reports wait: what the program polls.
    const char byte = 1;
    ready_ = ::write(pty_, &byte, 1) == 1;
}

void HidrawNode::hangUp()
{
    if (gone_)
        return;
    gone_ = true;
    input_.clear();
    for (UMockdevIoctlClient *c : waitingReads_) {
        complete(c, -1, ENODEV);
        g_object_unref(c);
    }
    waitingReads_.clear();
    if (pty_ >= 0) {
        // The last close of the master hangs the program's side up, as a removed hidraw
        // node wakes its pollers with POLLHUP. The testbed still owns the number: it now
        // names /dev/null until the testbed closes it.
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, pty_);
            ::close(null);
        }
        pty_ = -1;
    }
}

} // namespace umock
