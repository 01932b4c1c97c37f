#include "platform/windows/devicechangewindow.h"

#include <QCoreApplication>
#include <QWindow>

#include <windows.h>
#include <dbt.h>

namespace {
// The HID device interface class (hidclass.h), spelt out to spare the DDK header.
const GUID kHidInterface = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
} // namespace

DeviceChangeWindow::DeviceChangeWindow(QObject *parent)
    : QObject(parent)
{
    m_window = std::make_unique<QWindow>();
    m_window->setFlags(Qt::Tool | Qt::FramelessWindowHint);
    m_window->create();
    const HWND hwnd = reinterpret_cast<HWND>(m_window->winId());
    if (!hwnd) {
        m_window.reset();
        qWarning("DeviceChangeWindow: no native window");
        return;
    }
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kHidInterface;
    m_registration = RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!m_registration)
        qWarning("DeviceChangeWindow: HID notifications not registered (error %lu)", GetLastError());
    QCoreApplication::instance()->installNativeEventFilter(this);
}

DeviceChangeWindow::~DeviceChangeWindow()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (m_registration)
        UnregisterDeviceNotification(static_cast<HDEVNOTIFY>(m_registration));
}

bool DeviceChangeWindow::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result)
{
    Q_UNUSED(result);
    if (!m_window || eventType != "windows_generic_MSG")
        return false;
    const MSG *msg = static_cast<const MSG *>(message);
    if (msg->message == WM_DEVICECHANGE && msg->hwnd == reinterpret_cast<HWND>(m_window->winId()))
        emit changed();
    return false;
}
