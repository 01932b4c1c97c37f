#pragma once

#include <QObject>

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
