#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "device/datapaths.h"
#include "device/worker.h"
#include "device/workerthread.h"
#include "sim/vmouse.h"
#include "testcatalogue.h"
#include "vmousetrace.h"

#include <hidapi.h>

#include <atomic>
#include <memory>

namespace {
// Context switches of the event thread so far (found by its name), or -1.
long long eventThreadSwitches()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "mousecfg-events")
            continue;
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        long long total = 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.contains("ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
        return total;
    }
    return -1;
}
} // namespace

// The event thread waits on one open event interface; it reopens only after a failed read.
class TestEventPolling : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The debug lines are off unless asked for; asked for here, they are checked.
        QLoggingCategory::setFilterRules(QStringLiteral("mousecfg.device.debug=true"));
        QVERIFY(dir.isValid());
        DataPaths::setRoot(dir.path());
        hid_init();
        TestCatalogue::write(dir.path(), {QStringLiteral("f0e1:7a01:ff00:1:ff01:1:32")});
    }
    void cleanupTestCase()
    {
        vmouse_reset();
        hid_exit();
        DataPaths::setRoot(QString());
    }

    void interfaceStaysOpenWhilePolling()
    {
        vmouse_reset();
        const int mouse = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        const QString opened = QStringLiteral(" open vmouse/%1/event").arg(mouse);
        const QString closed = QStringLiteral(" close vmouse/%1/event").arg(mouse);
        auto worker = std::make_unique<Worker>();
        QSignalSpy events(worker.get(), &Worker::eventReport);
        QTest::ignoreMessage(QtDebugMsg, "Device Connect");
        worker->checkDevice();
        QTRY_COMPARE(VmouseTrace::raw().count(opened), 1);

        // Several read time-outs later: still the one handle, and events still come through it.
        QTest::qWait(WorkerThread::ReadWaitMs * 5 / 2);
        vmouse_push_event(mouse, 4, 1, 0, 2);
        QTRY_COMPARE(events.size(), 1);
        QCOMPARE(events.at(0).at(3).value<uchar>(), uchar(2));
        QCOMPARE(VmouseTrace::raw().count(opened), 1);
        QCOMPARE(VmouseTrace::raw().count(closed), 0);

        // A failed read closes it; the next round opens it again and polling goes on.
        vmouse_fail_next("read", 1);
        QTRY_COMPARE(VmouseTrace::raw().count(opened), 2);
        QCOMPARE(VmouseTrace::raw().count(closed), 1);
        vmouse_push_event(mouse, 4, 1, 0, 3);
        QTRY_COMPARE(events.size(), 2);

        // The mouse leaves: the read fails, the reopen fails, the thread ends by itself.
        vmouse_unplug(mouse);
        QTRY_COMPARE(WorkerThread::runningCount(), 0);
        QCOMPARE(VmouseTrace::raw().count(opened), 2);
        worker.reset();
    }

    void stopClosesTheOpenInterface()
    {
        vmouse_reset();
        const int mouse = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        auto worker = std::make_unique<Worker>();
        QTest::ignoreMessage(QtDebugMsg, "Device Connect");
        worker->checkDevice();
        QTRY_COMPARE(WorkerThread::runningCount(), 1);
        QTRY_COMPARE(VmouseTrace::raw().count(QStringLiteral(" open vmouse/%1/event").arg(mouse)), 1);
        worker.reset(); // stops the thread
        QCOMPARE(WorkerThread::runningCount(), 0);
        QCOMPARE(VmouseTrace::raw().count(QStringLiteral(" close vmouse/%1/event").arg(mouse)), 1);
    }

    // An idle mouse costs about one wake-up per read time-out, yet a report arrives at once and
    // a stop with the mouse still attached ends within one time-out.
    void idleWaitIsLongButPromptForReports()
    {
#ifndef Q_OS_LINUX
        QSKIP("counts context switches through /proc");
#endif
        vmouse_reset();
        const int mouse = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        auto worker = std::make_unique<Worker>();
        QElapsedTimer clock;
        clock.start();
        std::atomic<qint64> arrivedNs{-1};
        connect(worker.get(), &Worker::eventReport, worker.get(),
                [&] { arrivedNs = clock.nsecsElapsed(); }, Qt::DirectConnection);
        QTest::ignoreMessage(QtDebugMsg, "Device Connect");
        worker->checkDevice();
        QTRY_COMPARE(VmouseTrace::raw().count(QStringLiteral(" open vmouse/%1/event").arg(mouse)), 1);
        QTRY_VERIFY(eventThreadSwitches() >= 0);

        const long long before = eventThreadSwitches();
        const int seconds = 3;
        QTest::qWait(seconds * 1000);
        const long long woken = eventThreadSwitches() - before;
        QVERIFY2(woken <= seconds * 1000 / WorkerThread::ReadWaitMs + 2,
                 qPrintable(QStringLiteral("%1 wake-ups in %2 s").arg(woken).arg(seconds)));

        // A thread that slept between short reads would miss this bound most of the time.
        for (int level = 1; level <= 3; ++level) {
            arrivedNs = -1;
            QTest::qWait(100 * level);
            const qint64 pushedNs = clock.nsecsElapsed();
            vmouse_push_event(mouse, 4, 1, 0, uchar(level));
            QTRY_VERIFY(arrivedNs.load() >= 0);
            const double ms = double(arrivedNs.load() - pushedNs) / 1e6;
            QVERIFY2(ms < WorkerThread::ReadWaitMs / 4, qPrintable(QStringLiteral("report after %1 ms").arg(ms)));
        }

        QElapsedTimer stop;
        stop.start();
        worker.reset();
        QCOMPARE(WorkerThread::runningCount(), 0);
        QVERIFY2(stop.elapsed() < 2 * WorkerThread::ReadWaitMs, qPrintable(QString::number(stop.elapsed())));
    }

private:
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(TestEventPolling)
#include "tst_eventpolling.moc"
