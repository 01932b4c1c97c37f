#include "platform/devicenotifier.h"
#ifdef Q_OS_LINUX
#include "platform/linux/udevmonitor.h"
#endif

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QtTest>

class TestDeviceNotifier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The debug line is off unless asked for; asked for here, it is checked.
        QLoggingCategory::setFilterRules(QStringLiteral("mousecfg.device.debug=true"));
    }

    void notifyLogsAndEmitsEveryTime()
    {
        DeviceNotifier notifier(nullptr, false);
        QVERIFY(!notifier.isWatching());
        QSignalSpy spy(&notifier, &DeviceNotifier::deviceChanged);
        for (int i = 0; i < 3; ++i)
            QTest::ignoreMessage(QtDebugMsg, "WM_DEVICECHANGE");
        notifier.notify();
        notifier.notify();
        notifier.notify();
        QCOMPARE(spy.count(), 3);
    }

    // Containers have no udev daemon, often no uevent socket either: a warning at most.
    void systemWatchSurvivesWithoutUdev()
    {
        DeviceNotifier notifier;
        QSignalSpy spy(&notifier, &DeviceNotifier::deviceChanged);
        QTest::ignoreMessage(QtDebugMsg, "WM_DEVICECHANGE");
        notifier.notify();
        QCOMPARE(spy.count(), 1);
        // Nothing arrives on its own while no device is plugged.
        QVERIFY(!spy.wait(50));
        QCOMPARE(spy.count(), 1);
    }

#ifdef Q_OS_LINUX
    void udevMonitorRestartsAndStops()
    {
        UdevMonitor monitor;
        QVERIFY(!monitor.isRunning());
        const bool first = monitor.start(QStringLiteral("hidraw"));
        QCOMPARE(monitor.isRunning(), first);
        // A second start replaces the first monitor rather than leaking it.
        QCOMPARE(monitor.start(QStringLiteral("hidraw")), first);
        QCOMPARE(monitor.isRunning(), first);
    }
#endif
};

QTEST_GUILESS_MAIN(TestDeviceNotifier)
#include "tst_devicenotifier.moc"
