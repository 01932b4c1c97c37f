#pragma once

#include <QObject>
#include <QString>

struct udev;
struct udev_monitor;
class QSocketNotifier;

// The add and remove events of one device subsystem, from the udev daemon or, where none
// runs, straight from the kernel.
class UdevMonitor : public QObject
{
    Q_OBJECT
public:
    explicit UdevMonitor(QObject *parent = nullptr);
    ~UdevMonitor() override;

    // False (with a warning) when no monitor could be set up; the object then stays quiet.
    bool start(const QString &subsystem);
    bool isRunning() const { return m_monitor != nullptr; }

signals:
    void changed(const QString &action, const QString &devnode);

private:
    void receive();
    void stop();

    struct udev *m_udev = nullptr;
    struct udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
};
