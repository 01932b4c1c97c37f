#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <memory>

class QWindow;

// Receives WM_DEVICECHANGE while the main window is still hidden: a hidden top-level Qt
// window gets the broadcast device-change messages, and is registered for the arrival and
// removal of HID interfaces. The message reaches us through a native event filter and stays
// unhandled.
class DeviceChangeWindow : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit DeviceChangeWindow(QObject *parent = nullptr);
    ~DeviceChangeWindow() override;

    bool isValid() const { return m_window != nullptr; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    void changed();

private:
    std::unique_ptr<QWindow> m_window;
    void *m_registration = nullptr;
};
