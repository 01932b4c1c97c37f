#pragma once

#include <QObject>

// For device back ends the system does not see (a user-space HID library loaded into the
// program, such as a simulated device): announces that devices came or went. Safe from any
// thread; every DeviceNotifier of the process reports a change. The program exports it so
// that such a library can find it at run time (dlsym) without linking against the program.
extern "C" void mousecfg_device_changed(void);

// Tells that a device came or went. On Linux it watches the hidraw devices through udev, on
// Windows the device-change messages. Every change writes "WM_DEVICECHANGE" to the debug
// output and emits deviceChanged(); the main window debounces the burst a plug-in makes.
class DeviceNotifier : public QObject
{
    Q_OBJECT
public:
    // `watchSystem` false gives a notifier fed by notify() alone.
    explicit DeviceNotifier(QObject *parent = nullptr, bool watchSystem = true);
    ~DeviceNotifier() override;

    // True when the system's device changes reach this notifier.
    bool isWatching() const { return m_watching; }

public slots:
    void notify();

signals:
    void deviceChanged();

private:
    bool m_watching = false;
};
