// Transfers that fail half-way: the program keeps running, keeps every change in the profile,
// reports the failure, and the next change reaches the mouse once it answers again.
#include "faultrig.h"

#include "device/controller.h"
#include "device/ic553.h"
#include "device/workerthread.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "sim/vmouse.h"
#include "sim/vmousefaults.h"
#include "sim/vmousestate.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
const QString KeysFeature = QStringLiteral("00 03 00 00 01 00 00 00 fb");

bool keyOnMouse(int id, int button, uchar p2)
{
    vmouse_state st{};
    // A keyboard key goes to the mouse as kind 1 with the key in the second parameter.
    return FaultRig::state(id, &st) && st.keys[button][0] == 1 && st.keys[button][2] == p2;
}

bool failedStartsWith(const QSignalSpy &spy, const QString &prefix)
{
    for (const QList<QVariant> &args : spy) {
        if (args.at(0).toString().startsWith(prefix))
            return true;
    }
    return false;
}
} // namespace

class TestTransfers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void unplugDuringDataWrite();
    void unansweredRead();
    void failingFeatureReport();
    void failingInterruptWrite();
    void garbageEventReports();
    void refusedChangesSentAgainWithBackOff();

private:
    void assign(int button, uchar key);
    void verifyKeptAcrossSaveAndLoad(int button, uchar key);
    QTemporaryDir dir;
    int mouse = -1;
};

void TestTransfers::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(FaultRig::populate(dir.path()));
    MouseData::instance()->load(0);
    MouseDefaultData::instance()->load();
    MouseData::instance()->fillMissingFromDefaults();
}

void TestTransfers::init()
{
    vmouse_reset();
    mouse = FaultRig::plug();
    QCOMPARE(FaultRig::check(), 0);
    QVERIFY(Controller::instance()->currentIc());
    QTRY_COMPARE(WorkerThread::runningCount(), 1);
}

void TestTransfers::cleanupTestCase()
{
    vmouse_reset();
    Controller::shutdown();
    QCOMPARE(WorkerThread::runningCount(), 0);
}

void TestTransfers::assign(int button, uchar key)
{
    MouseData *m = MouseData::instance();
    m->currentKey = uchar(button);
    m->setKeyFunction(0, 0, key, 0, m->keyNames.value(key));
    QVERIFY(m->keyMatrix.at(button).is(0, 0, key, 0));
}

void TestTransfers::verifyKeptAcrossSaveAndLoad(int button, uchar key)
{
    MouseData *m = MouseData::instance();
    QVERIFY(m->keyMatrix.at(button).is(0, 0, key, 0));
    QVERIFY(m->save(0));
    m->load(0);
    QVERIFY(m->keyMatrix.at(button).is(0, 0, key, 0));
}

void TestTransfers::unplugDuringDataWrite()
{
    QSignalSpy failed(Controller::instance(), &Controller::transferFailed);
    // Pulled out between the command report and its data.
    vmouse_fail_next("unplug_at_write", 1);
    assign(3, 0x04);

    QTRY_VERIFY_WITH_TIMEOUT(failedStartsWith(failed, QStringLiteral("0_3_")), 5000);
    QVERIFY(FaultRig::traceHasFeature(KeysFeature));
    // The event thread notices the mouse left and ends by itself.
    QTRY_COMPARE(WorkerThread::runningCount(), 0);
    verifyKeptAcrossSaveAndLoad(3, 0x04);

    mouse = FaultRig::plug();
    QCOMPARE(FaultRig::check(), 0);
    QTRY_COMPARE(WorkerThread::runningCount(), 1);
    assign(4, 0x05);
    // The whole key matrix goes with every change, so the lost one arrives too.
    QTRY_VERIFY_WITH_TIMEOUT(keyOnMouse(mouse, 4, 0x05) && keyOnMouse(mouse, 3, 0x04), 5000);
}

void TestTransfers::unansweredRead()
{
    // The previous case's mouse came back and is being brought up to date: let that finish.
    // The update is queued when the first check reports, so a second check waits behind it.
    QCOMPARE(FaultRig::check(), 0);
    QCOMPARE(FaultRig::check(), 0);
    QSignalSpy failed(Controller::instance(), &Controller::transferFailed);
    QSignalSpy level(MouseData::instance(), &MouseData::dpiKeyPressed);
    vmouse_stall_command(400);
    Ic553::instance()->readCurrentDpiLevel();
    assign(5, 0x06); // queued behind the stalled read

    // The GUI thread keeps running while the worker waits.
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    timer.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(failedStartsWith(failed, QStringLiteral("0_135_")), 5000);
    QVERIFY2(ticks >= 10, qPrintable(QStringLiteral("%1 ticks").arg(ticks)));
    QCOMPARE(level.size(), 0); // no made-up answer
    QTRY_VERIFY_WITH_TIMEOUT(keyOnMouse(mouse, 5, 0x06), 5000);
    verifyKeptAcrossSaveAndLoad(5, 0x06);

    // Answered again: the next read brings the mouse's level.
    vmouse_press_dpi_button(mouse, 2);
    Ic553::instance()->readCurrentDpiLevel();
    QTRY_VERIFY_WITH_TIMEOUT(!level.isEmpty() && level.last().at(0).toInt() == 2, 5000);
    QCOMPARE(int(MouseData::instance()->currentDpiLevel), 2);
}

void TestTransfers::failingFeatureReport()
{
    QSignalSpy failed(Controller::instance(), &Controller::transferFailed);
    vmouse_fail_next("feature", 1);
    assign(3, 0x07);
    QTRY_VERIFY_WITH_TIMEOUT(failedStartsWith(failed, QStringLiteral("0_3_")), 5000);
    // Only that command is lost: the lighting behind it still goes out.
    QTRY_VERIFY_WITH_TIMEOUT(FaultRig::traceHasFeature(QStringLiteral("00 06")), 5000);
    QCOMPARE(failed.size(), 1);
    QVERIFY(!keyOnMouse(mouse, 3, 0x07));
    verifyKeptAcrossSaveAndLoad(3, 0x07);

    assign(4, 0x08);
    QTRY_VERIFY_WITH_TIMEOUT(keyOnMouse(mouse, 4, 0x08) && keyOnMouse(mouse, 3, 0x07), 5000);
}

void TestTransfers::failingInterruptWrite()
{
    QSignalSpy failed(Controller::instance(), &Controller::transferFailed);
    vmouse_fail_next("write", 1);
    assign(5, 0x09);
    QTRY_VERIFY_WITH_TIMEOUT(failedStartsWith(failed, QStringLiteral("0_3_")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(FaultRig::traceHasFeature(QStringLiteral("00 06")), 5000);
    QCOMPARE(failed.size(), 1);
    QVERIFY(!keyOnMouse(mouse, 5, 0x09));
    verifyKeptAcrossSaveAndLoad(5, 0x09);

    assign(6, 0x0a);
    QTRY_VERIFY_WITH_TIMEOUT(keyOnMouse(mouse, 6, 0x0a) && keyOnMouse(mouse, 5, 0x09), 5000);
}

void TestTransfers::garbageEventReports()
{
    QSignalSpy events(Controller::instance(), &Controller::eventReport);
    const uchar garbage[][4] = {{0xff, 0xff, 0xff, 0xff}, {0, 0, 0, 0}, {4, 1, 0, 200},
                                {4, 1, 9, 9}, {4, 1, 1, 0}, {0x80, 1, 2, 3}};
    for (const auto &g : garbage)
        vmouse_push_event(mouse, g[0], g[1], g[2], g[3]);
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), int(std::size(garbage)), 5000);
    // Delivered whole and in order on the GUI thread; interpreting them is the window's part.
    for (size_t i = 0; i < std::size(garbage); ++i) {
        for (int b = 0; b < 4; ++b)
            QCOMPARE(events.at(int(i)).at(b).value<uchar>(), garbage[i][b]);
    }
    QCOMPARE(WorkerThread::runningCount(), 1);
    assign(3, 0x0b);
    QTRY_VERIFY_WITH_TIMEOUT(keyOnMouse(mouse, 3, 0x0b), 5000);
}

// Changes the attached mouse refused are owed: sent again, with a growing pause while it keeps
// refusing, and told once only; when it answers again the whole profile reaches it.
void TestTransfers::refusedChangesSentAgainWithBackOff()
{
    Controller *controller = Controller::instance();
    MouseData *m = MouseData::instance();
    vmouse_state before{};
    QVERIFY(FaultRig::state(mouse, &before));
    const uchar rate = before.reportRate == 2 ? 4 : 2;
    const auto rateOnMouse = [this, rate] {
        vmouse_state st{};
        return FaultRig::state(mouse, &st) && st.reportRate == rate;
    };
    QSignalSpy failed(controller, &Controller::transferFailed);
    QSignalSpy resent(controller, &Controller::profileResent);
    vmouse_fail_next("feature", 100000);
    m->reportRate = rate;
    controller->currentIc()->setReportRate(QString::number(rate));
    QTRY_VERIFY_WITH_TIMEOUT(failedStartsWith(failed, QStringLiteral("0_1_")), 5000);
    QVERIFY(controller->resendPending());
    QCOMPARE(controller->resendDelayMs(), int(Controller::ResendFirstMs));

    // The resend is refused too: quietly, and the next one waits twice as long.
    QTRY_COMPARE_WITH_TIMEOUT(controller->resendDelayMs(), 2 * Controller::ResendFirstMs, 10000);
    const qsizetype told = failed.size();
    QVERIFY(controller->resendPending());
    QCOMPARE(resent.size(), 0);
    QVERIFY(!rateOnMouse());

    // The mouse answers again: it gets what it refused without another change.
    vmouse_fail_next("feature", 0);
    QTRY_VERIFY_WITH_TIMEOUT(rateOnMouse(), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(resent.size(), 1, 5000);
    QCOMPARE(failed.size(), told);
    QCOMPARE(controller->resendDelayMs(), int(Controller::ResendFirstMs));
    QVERIFY(!controller->resendPending());
}

QTEST_GUILESS_MAIN(TestTransfers)
#include "tst_transfers.moc"
