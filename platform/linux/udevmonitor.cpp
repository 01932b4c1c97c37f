#include "platform/linux/udevmonitor.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <libudev.h>

UdevMonitor::UdevMonitor(QObject *parent)
    : QObject(parent)
{
}

UdevMonitor::~UdevMonitor()
{
    stop();
}

void UdevMonitor::stop()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    m_monitor = nullptr;
    if (m_udev)
        udev_unref(m_udev);
    m_udev = nullptr;
}

bool UdevMonitor::start(const QString &subsystem)
{
    stop();
    m_udev = udev_new();
    if (!m_udev) {
        qWarning("UdevMonitor: udev is not available");
        return false;
    }
    // Without the daemon its event group stays silent; the kernel's events still come
    // (the device node may then lack the permissions udev would have given it).
    const bool daemon = QFileInfo::exists(QStringLiteral("/run/udev/control"));
    m_monitor = udev_monitor_new_from_netlink(m_udev, daemon ? "udev" : "kernel");
    if (!m_monitor) {
        qWarning("UdevMonitor: cannot open the %s event socket", daemon ? "udev" : "kernel");
        stop();
        return false;
    }
    const QByteArray name = subsystem.toUtf8();
    if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, name.constData(), nullptr) < 0
        || udev_monitor_enable_receiving(m_monitor) < 0) {
        qWarning("UdevMonitor: cannot receive %s events", name.constData());
        stop();
        return false;
    }
    const int fd = udev_monitor_get_fd(m_monitor);
    if (fd < 0) {
        qWarning("UdevMonitor: no event socket");
        stop();
        return false;
    }
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevMonitor::receive);
    return true;
}

void UdevMonitor::receive()
{
    if (!m_monitor)
        return;
    // The socket is non-blocking: take every queued event.
    while (struct udev_device *device = udev_monitor_receive_device(m_monitor)) {
        const QString action = QString::fromUtf8(udev_device_get_action(device));
        const QString node = QString::fromUtf8(udev_device_get_devnode(device));
        udev_device_unref(device);
        if (action == QLatin1String("add") || action == QLatin1String("remove"))
            emit changed(action, node);
    }
}
