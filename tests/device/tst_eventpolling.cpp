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

#include <memory>

// The event thread polls one open event interface; it reopens only after a failed read.
class TestEventPolling : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
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

        // Many poll periods later: still the one handle, and events still come through it.
        QTest::qWait(10 * WorkerThread::PollMs);
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

private:
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(TestEventPolling)
#include "tst_eventpolling.moc"
