#include "platform/devicenotifier.h"

#include <QDebug>

#if defined(Q_OS_WIN)
#include "platform/windows/devicechangewindow.h"
#elif defined(Q_OS_LINUX)
#include "platform/linux/udevmonitor.h"
#endif

DeviceNotifier::DeviceNotifier(QObject *parent, bool watchSystem)
    : QObject(parent)
{
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

DeviceNotifier::~DeviceNotifier() = default;

void DeviceNotifier::notify()
{
    qDebug("WM_DEVICECHANGE");
    emit deviceChanged();
}
