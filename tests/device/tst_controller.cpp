#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "device/workerthread.h"
#include "sim/vmouse.h"
#include "sim/vmousefaults.h"
#include "testcatalogue.h"
#include "vmousetrace.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
class RecordingIc : public Ic
{
public:
    QStringList replies;
    QList<QThread *> threads;
    void setLighting(const QString &) override {}
    void setDpi(const QString &) override {}
    void readCurrentDpiLevel() override {}
    void setReportRate(const QString &) override {}
    void setKeys(const QString &) override {}
    void setColors(const QString &) override {}
    void setMacro(uchar, const QString &) override {}
    void parseReply(const QString &reply) override
    {
        replies << reply;
        threads << QThread::currentThread();
    }
};

const QString ReadLevel = QStringLiteral("0_135_0_0_0_0_0_0_120");

QString withData(const QString &head, int n)
{
    QString text = head;
    for (int i = 0; i < n; ++i)
        text += QStringLiteral("_%1").arg(i % 200);
    return text;
}
} // namespace

// One controller for the whole program, as in the application; shut down at the end.
class TestController : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void checkReportsFamily();
    void eventReportsReachGuiThread();
    void backToBackCommandsArePaced();
    void failuresAreReported();
    void replyGoesToCurrentProtocolOnly();
    void entryBeyondSixIsNoMouse();
    void repeatedChecksKeepOneEventThread();
    void boundedExitWhileMouseStalls();

private:
    int checkNow();
    QTemporaryDir dir;
    int mouse = -1;
    RecordingIc ic;
};

void TestController::initTestCase()
{
    QVERIFY(dir.isValid());
    DataPaths::setRoot(dir.path());
    TestCatalogue::write(dir.path(), {QStringLiteral("f0e1:7a01:ff00:1:ff01:1:32"),
                                      QStringLiteral("f0e1:7a02:ff00:1:ff01:1:64")});
    Controller::instance();
}

void TestController::init()
{
    vmouse_reset();
    mouse = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
    Controller::instance()->setCurrentIc(nullptr);
}

void TestController::cleanupTestCase()
{
    Controller::shutdown();
    Controller::shutdown(); // twice is harmless
    QCOMPARE(WorkerThread::runningCount(), 0);
    vmouse_reset();
    DataPaths::setRoot(QString());
}

int TestController::checkNow()
{
    QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
    emit Controller::instance()->check();
    if (!checked.wait(3000))
        return -100;
    return checked.at(0).at(0).toInt();
}

void TestController::checkReportsFamily()
{
    QCOMPARE(checkNow(), 0);
    vmouse_reset();
    QCOMPARE(checkNow(), -1);
    vmouse_plug(0xf0e1, 0x7a02, 0xff00, 1, 0xff01, 1, 64);
    QCOMPARE(checkNow(), 1);
}

void TestController::eventReportsReachGuiThread()
{
    QCOMPARE(checkNow(), 0);
    QList<QByteArray> reports;
    QList<QThread *> threads;
    auto c = connect(Controller::instance(), &Controller::eventReport, this,
                     [&](uchar b0, uchar b1, uchar b2, uchar b3) {
                         const char bytes[] = {char(b0), char(b1), char(b2), char(b3)};
                         reports << QByteArray(bytes, 4);
                         threads << QThread::currentThread();
                     });
    vmouse_press_dpi_button(mouse, 3);
    vmouse_push_event(mouse, 4, 1, 1, 1);
    QTRY_COMPARE(reports.size(), 2);
    disconnect(c);
    QCOMPARE(reports.at(0), QByteArray::fromHex("04010003"));
    QCOMPARE(reports.at(1), QByteArray::fromHex("04010101"));
    QCOMPARE(threads.at(0), QThread::currentThread());
    QCOMPARE(threads.at(1), QThread::currentThread());
}

void TestController::backToBackCommandsArePaced()
{
    QCOMPARE(checkNow(), 0);
    Controller::instance()->setCurrentIc(&ic);
    ic.replies.clear();
    const QString path = QStringLiteral("vmouse/%1/command").arg(mouse);

    QElapsedTimer emitting;
    emitting.start();
    Controller *c = Controller::instance();
    emit c->send(64, withData(QStringLiteral("0_3_0_0_1_0_0_0_251"), 64));
    emit c->send(0, QStringLiteral("0_1_2_3_3_15_0_0_231"));
    emit c->send(0, QStringLiteral("0_1_4_3_3_15_0_0_229"));
    emit c->send(192, withData(QStringLiteral("0_5_0_0_1_0_0_0_249"), 192));
    emit c->receive(0, ReadLevel);
    // The caller never waits for the wire: five commands take over 200 ms to send.
    QVERIFY2(emitting.elapsed() < 30, qPrintable(QString::number(emitting.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(ic.replies.size(), 1, 3000);
    QCOMPARE(ic.threads.at(0), QThread::currentThread());

    QList<VmouseTrace::Line> wire;
    for (const auto &l : VmouseTrace::lines()) {
        if (l.path == path && (l.op == QLatin1String("feature") || l.op == QLatin1String("output")
                               || l.op == QLatin1String("get-feature")))
            wire << l;
        QVERIFY2(l.op != QLatin1String("error"), qPrintable(l.text));
    }
    // feature+2 data, feature, feature, feature+3 data, feature+answer
    QStringList ops;
    for (const auto &l : wire)
        ops << l.op;
    QCOMPARE(ops.join(QLatin1Char(' ')),
             QStringLiteral("feature output output feature feature feature output output output output output output feature get-feature"));
    QCOMPARE(int(uchar(wire.at(3).bytes.at(2))), 2); // in the order emitted
    QCOMPARE(int(uchar(wire.at(4).bytes.at(2))), 4);
    for (int i = 0; i + 1 < wire.size(); ++i) {
        const bool writeFeature = wire.at(i).op == QLatin1String("feature") && wire.at(i + 1).op != QLatin1String("get-feature");
        const bool lastData = wire.at(i).op == QLatin1String("output") && wire.at(i + 1).op == QLatin1String("feature");
        const double gap = wire.at(i + 1).ms - wire.at(i).ms;
        if (writeFeature || lastData)
            QVERIFY2(gap >= 31.0, qPrintable(QStringLiteral("gap %1 ms after line %2").arg(gap).arg(i)));
    }
    // The data reports of one write are not paced.
    QVERIFY(wire.at(2).ms - wire.at(1).ms < 31.0);
}

void TestController::failuresAreReported()
{
    QCOMPARE(checkNow(), 0);
    Controller::instance()->setCurrentIc(&ic);
    ic.replies.clear();
    QSignalSpy failed(Controller::instance(), &Controller::transferFailed);

    vmouse_fail_next("feature", 1);
    const QString rate = QStringLiteral("0_1_8_3_3_15_0_0_225");
    emit Controller::instance()->send(0, rate);
    QVERIFY(failed.wait(2000));
    QCOMPARE(failed.at(0).at(0).toString(), rate);

    // A failed read hands on no answer (the last good one would look like this one's).
    emit Controller::instance()->receive(0, ReadLevel);
    QTRY_COMPARE(ic.replies.size(), 1);
    vmouse_fail_next("get_feature", 1);
    emit Controller::instance()->receive(0, ReadLevel);
    QTRY_COMPARE(failed.size(), 2);
    QCOMPARE(failed.at(1).at(0).toString(), ReadLevel);
    emit Controller::instance()->receive(0, ReadLevel);
    QTRY_COMPARE(ic.replies.size(), 2);

    // An answer shorter than the report hands on nothing of the one before it.
    vmouse_press_dpi_button(mouse, 3);
    emit Controller::instance()->receive(0, ReadLevel);
    QTRY_COMPARE(ic.replies.size(), 3);
    QCOMPARE(ic.replies.at(2), QStringLiteral("135_3_0_0_0_0_0_0"));
    vmouse_fail_next("short_feature", 1);
    emit Controller::instance()->receive(0, ReadLevel);
    QTRY_COMPARE(ic.replies.size(), 4);
    QCOMPARE(ic.replies.at(3), QStringLiteral("135_0_0_0_0_0_0_0"));
}

void TestController::replyGoesToCurrentProtocolOnly()
{
    Controller *c = Controller::instance();
    c->setCurrentIc(&ic);
    ic.replies.clear();
    c->returnDataProc(QStringLiteral("135_2_0_0_0_0_0_0"));
    QCOMPARE(ic.replies, QStringList{QStringLiteral("135_2_0_0_0_0_0_0")});

    // Detached: the protocol is dropped and a late reply goes nowhere.
    QSignalSpy checked(c, &Controller::deviceChecked);
    c->checkFinishProc(-1);
    QCOMPARE(checked.size(), 1);
    QCOMPARE(c->currentIc(), nullptr);
    c->returnDataProc(QStringLiteral("135_1_0_0_0_0_0_0"));
    QCOMPARE(ic.replies.size(), 1);
}

void TestController::entryBeyondSixIsNoMouse()
{
    QStringList entries;
    for (int i = 0; i < 8; ++i)
        entries << QStringLiteral("f0e1:%1:ff00:1:ff01:1:32").arg(QString::number(0x7b01 + i, 16));
    TestCatalogue::write(dir.path(), entries);
    vmouse_reset();
    vmouse_plug(0xf0e1, 0x7b08, 0xff00, 1, 0xff01, 1, 32);
    Controller::instance()->setCurrentIc(&ic);
    QCOMPARE(checkNow(), 7);
    QCOMPARE(Controller::instance()->currentIc(), nullptr);

    TestCatalogue::write(dir.path(), {QStringLiteral("f0e1:7a01:ff00:1:ff01:1:32"),
                                      QStringLiteral("f0e1:7a02:ff00:1:ff01:1:64")});
}

void TestController::repeatedChecksKeepOneEventThread()
{
    QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
    for (int i = 0; i < 5; ++i)
        emit Controller::instance()->check();
    QTRY_COMPARE(checked.size(), 5);
    // deviceChecked is sent before the poller starts: let the last check settle.
    QTest::qWait(100);
    QCOMPARE(WorkerThread::runningCount(), 1);
    // The mouse leaves and comes back: the old poller ended, a new one starts.
    vmouse_reset();
    QTRY_COMPARE(WorkerThread::runningCount(), 0);
    mouse = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
    QCOMPARE(checkNow(), 0);
    QTRY_COMPARE(WorkerThread::runningCount(), 1);
}

void TestController::boundedExitWhileMouseStalls()
{
    // No event interface this time, so that the stall falls on the command interface.
    TestCatalogue::write(dir.path(), {QStringLiteral("f0e1:7a01:ff00:1:ff01:99:32")});
    QCOMPARE(checkNow(), 0);
    QTRY_COMPARE(WorkerThread::runningCount(), 0);
    vmouse_stall(1500);
    Controller *c = Controller::instance();
    emit c->receive(0, ReadLevel);
    for (int i = 0; i < 20; ++i)
        emit c->send(64, withData(QStringLiteral("0_3_0_0_1_0_0_0_251"), 64));
    QTRY_VERIFY(VmouseTrace::raw().contains(QStringLiteral(" feature vmouse/%1/command 00 87").arg(mouse)));

    QElapsedTimer exiting;
    exiting.start();
    Controller::shutdown();
    qInfo("shutdown took %lld ms", qint64(exiting.elapsed()));
    QVERIFY2(exiting.elapsed() < 2000, qPrintable(QString::number(exiting.elapsed())));

    // A new controller can be had after a shutdown.
    TestCatalogue::write(dir.path(), {QStringLiteral("f0e1:7a01:ff00:1:ff01:1:32")});
    QCOMPARE(checkNow(), 0);
}

QTEST_GUILESS_MAIN(TestController)
#include "tst_controller.moc"
