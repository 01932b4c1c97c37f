// A hundred unplug/plug cycles with changes made while the mouse is away and while it is there.
#include "faultrig.h"

#include "device/controller.h"
#include "device/workerthread.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestPlugCycles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void hundredCycles();
};

void TestPlugCycles::initTestCase()
{
    vmouse_reset();
    static QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(FaultRig::populate(dir.path()));
    MouseData::instance()->load(0);
    MouseDefaultData::instance()->load();
    MouseData::instance()->fillMissingFromDefaults();
}

void TestPlugCycles::cleanupTestCase()
{
    vmouse_reset();
    Controller::shutdown();
    QCOMPARE(WorkerThread::runningCount(), 0);
}

void TestPlugCycles::hundredCycles()
{
    MouseData *m = MouseData::instance();
    QSignalSpy failed(Controller::instance(), &Controller::transferFailed);
    int mouse = FaultRig::plug();
    QCOMPARE(FaultRig::check(), 0);
    const QString profile0 = m->keyMatrixText();

    for (int cycle = 0; cycle < 100; ++cycle) {
        vmouse_unplug(mouse);
        QCOMPARE(FaultRig::check(), -1);
        QCOMPARE(int(m->deviceType), 255);
        QVERIFY(!Controller::instance()->currentIc());
        QTRY_COMPARE(WorkerThread::runningCount(), 0);

        // Changes while the mouse is away stay in the profile.
        const int button = 3 + cycle % 3;
        const uchar key = uchar(4 + cycle % 26);
        m->currentKey = uchar(button);
        m->setKeyFunction(0, 0, key, 0, m->keyNames.value(key));
        m->lightValue = {2, cycle % 5, 3, cycle % 6};

        mouse = FaultRig::plug();
        QCOMPARE(FaultRig::check(), 0);
        QCOMPARE(int(m->deviceType), 0);
        QVERIFY(Controller::instance()->currentIc());
        QVERIFY(WorkerThread::runningCount() <= 1);

        // Every tenth time, a change with the mouse there carries all of them to it.
        if (cycle % 10 == 9) {
            m->currentKey = 6;
            const uchar k6 = uchar(0x1e + cycle / 10);
            m->setKeyFunction(0, 0, k6, 0, m->keyNames.value(k6));
            const auto arrived = [&] {
                vmouse_state st{};
                if (!FaultRig::state(mouse, &st))
                    return false;
                for (int b = 3; b <= 6; ++b) {
                    const KeyFunction &k = m->keyMatrix.at(b);
                    if (st.keys[b][0] != 1 || st.keys[b][2] != k.param2)
                        return false;
                }
                // The lighting follows every key change (effect 2 is mode 1).
                return st.lightMode == 1 && st.lightSlot == cycle % 6;
            };
            QTRY_VERIFY_WITH_TIMEOUT(arrived(), 5000);
        }
    }
    QTRY_COMPARE(WorkerThread::runningCount(), 1);
    QVERIFY(m->keyMatrixText() != profile0);
    // Each return brings the mouse up to date; what the next unplug cut short fails and is sent
    // again at the return after. The last return's update goes through whole.
    QCOMPARE(FaultRig::check(), 0);
    vmouse_state st{};
    QVERIFY(FaultRig::state(mouse, &st));
    for (int b = 3; b <= 6; ++b)
        QCOMPARE(int(st.keys[b][2]), int(m->keyMatrix.at(b).param2));
    Q_UNUSED(failed);

    const QString last = m->keyMatrixText();
    QVERIFY(m->save(0));
    m->load(0);
    QCOMPARE(m->keyMatrixText(), last);
}

QTEST_GUILESS_MAIN(TestPlugCycles)
#include "tst_plugcycles.moc"
