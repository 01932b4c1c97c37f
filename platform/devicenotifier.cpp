#include "platform/devicenotifier.h"

#include <QDebug>
#include <QLoggingCategory>
#include <QList>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>

#if defined(Q_OS_WIN)
#include "platform/windows/devicechangewindow.h"
#elif defined(Q_OS_LINUX)
#include "platform/linux/udevmonitor.h"
#endif

// Off unless asked for (QT_LOGGING_RULES="mousecfg.device.debug=true").
Q_LOGGING_CATEGORY(lcDeviceNotifier, "mousecfg.device", QtWarningMsg)

namespace {
QMutex &registryLock()
{
    static QMutex lock;
    return lock;
}

QList<DeviceNotifier *> &registry()
{
    static QList<DeviceNotifier *> notifiers;
    return notifiers;
}
} // namespace

extern "C" Q_DECL_EXPORT void mousecfg_device_changed(void)
{
    QMutexLocker locker(&registryLock());
    for (DeviceNotifier *n : registry())
        QMetaObject::invokeMethod(n, "notify", Qt::QueuedConnection);
}

DeviceNotifier::DeviceNotifier(QObject *parent, bool watchSystem)
    : QObject(parent)
{
    {
        QMutexLocker locker(&registryLock());
        registry().append(this);
    }
    if (!watchSystem)
        return;
#if defined(Q_OS_WIN)
    auto *source = new DeviceChangeWindow(this);
    connect(source, &DeviceChangeWindow::changed, this, &DeviceNotifier::notify);
    m_watching = source->isValid();
#elif defined(Q_OS_LINUX)
    auto *source = new UdevMonitor(this);
    connect(source, &UdevMonitor::changed, this, &DeviceNotifier::notify);
    m_watching = source->start(QStringLiteral("hidraw"));
#endif
    if (!m_watching)
        qWarning("DeviceNotifier: device changes are not watched; plugging a mouse in needs a "
                 "click on the tray icon");
}

DeviceNotifier::~DeviceNotifier()
{
    QMutexLocker locker(&registryLock());
    registry().removeAll(this);
}

void DeviceNotifier::notify()
{
    qCDebug(lcDeviceNotifier, "WM_DEVICECHANGE");
    emit deviceChanged();
}
