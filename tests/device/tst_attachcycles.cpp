// What device checks, unplugging and plugging again do to the settings: edits made since start
// survive every check, a mouse that missed changes gets them when it comes back, and the two
// threads that talk to hidapi never run its process-wide calls at the same time.
#include "common/testroot.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "model/mousedata.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"
#include "vmousetrace.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestAttachCycles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void checksKeepEditsAndFamiliesKeepTheirLists();
    void mouseThatComesBackIsBroughtUpToDate();
    void hidapiGlobalCallsNeverOverlap();

private:
    static int checkNow();
    static bool idle();
    QTemporaryDir dir;
};

void TestAttachCycles::initTestCase()
{
    QVERIFY(TestRoot::install(dir.path()));
    TestRoot::loadProfile();
}

void TestAttachCycles::cleanupTestCase()
{
    Controller::shutdown();
    vmouse_reset();
    DataPaths::setRoot(QString());
}

int TestAttachCycles::checkNow()
{
    QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
    emit Controller::instance()->check();
    if (!checked.wait(5000))
        return -100;
    return checked.at(0).at(0).toInt();
}

// Every command queued so far has reached the mouse (a read answers after them).
bool TestAttachCycles::idle()
{
    QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
    emit Controller::instance()->check();
    return checked.wait(10000);
}

void TestAttachCycles::checksKeepEditsAndFamiliesKeepTheirLists()
{
    vmouse_reset();
    MouseData *md = MouseData::instance();
    const int first = TestRoot::plugFamily(0);
    QSignalSpy deviceChange(md, &MouseData::deviceChange);
    QCOMPARE(checkNow(), 0);
    QCOMPARE(deviceChange.size(), 1);
    const QVariant before = md->xDpiList.at(1);
    QVERIFY(before.toUInt() != 1800);

    // The DPI page stores the level; a check caused by some other device follows.
    md->setDpi(0, 1, 1800);
    QCOMPARE(checkNow(), 0);
    QCOMPARE(md->xDpiList.at(1).toUInt(), 1800u);
    QCOMPARE(deviceChange.size(), 1); // nothing to adapt to, and the window stays as it is

    // Another family: its own lists, while the first family's edit is kept for it.
    vmouse_unplug(first);
    const int other = TestRoot::plugFamily(5);
    QCOMPARE(checkNow(), 5);
    QCOMPARE(deviceChange.size(), 2);
    QVERIFY(md->xDpiList.at(1).toUInt() != 1800u);
    md->setDpi(0, 2, 2400);
    QVERIFY(md->save(0));
    {
        const QSettings file(DataPaths::profileFile(0), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("mouse/xDpiList")).toStringList().value(1), QStringLiteral("1800"));
        QCOMPARE(file.value(QStringLiteral("mouse/xDpiList_2")).toStringList().value(2), QStringLiteral("2400"));
    }

    // And back: the first family shows its edit again, the second keeps its own.
    vmouse_unplug(other);
    TestRoot::plugFamily(0);
    QCOMPARE(checkNow(), 0);
    QCOMPARE(md->xDpiList.at(1).toUInt(), 1800u);
    QVERIFY(md->save(0));
    const QSettings file(DataPaths::profileFile(0), QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("mouse/xDpiList_2")).toStringList().value(2), QStringLiteral("2400"));
}

void TestAttachCycles::mouseThatComesBackIsBroughtUpToDate()
{
    vmouse_reset();
    MouseData *md = MouseData::instance();
    md->isDefaultKey = 1;
    int mouse = TestRoot::plugFamily(0);
    QCOMPARE(checkNow(), 0);
    QSignalSpy resent(Controller::instance(), &Controller::profileResent);

    vmouse_unplug(mouse);
    QCOMPARE(checkNow(), -1);
    // Changed while away: the screen shows it, the mouse cannot take it.
    md->currentKey = 3;
    md->setKeyFunction(4, 0, 0xE9, 0, QStringLiteral("volume up"));
    QCOMPARE(md->keyMatrix.at(3).param2, uchar(0xE9));

    mouse = TestRoot::plugFamily(0);
    QCOMPARE(checkNow(), 0);
    QCOMPARE(resent.size(), 1);
    QVERIFY(idle());
    vmouse_state st{};
    QCOMPARE(vmouse_get_state(mouse, &st), 0);
    QCOMPARE(int(st.keys[3][0]), 4);
    QCOMPARE(int(st.keys[3][2]), 0xE9);
    QCOMPARE(st.errors, 0u);

    // Nothing missed: a later return sends nothing and tells nothing.
    vmouse_unplug(mouse);
    QCOMPARE(checkNow(), -1);
    mouse = TestRoot::plugFamily(0);
    QCOMPARE(checkNow(), 0);
    QCOMPARE(checkNow(), 0);
    QCOMPARE(resent.size(), 1);
    QVERIFY(idle());
    QCOMPARE(vmouse_get_state(mouse, &st), 0);
    QCOMPARE(st.commands, 0u);
}

void TestAttachCycles::hidapiGlobalCallsNeverOverlap()
{
    vmouse_reset();
    TestRoot::plugFamily(0);
    QCOMPARE(checkNow(), 0);
    // Every event read fails: the event thread closes and reopens its interface all the time,
    // while the worker enumerates and opens the command interface.
    vmouse_fail_next("read", 1000000);
    QElapsedTimer clock;
    clock.start();
    int round = 0;
    while (clock.elapsed() < 3000) {
        if (++round % 3 == 0)
            emit Controller::instance()->check();
        emit Controller::instance()->send(0, QStringLiteral("0_1_8_3_3_15_0_0_225"));
        QTest::qWait(30);
    }
    vmouse_fail_next("read", 0);
    QVERIFY(idle());
    QStringList overlaps;
    for (const VmouseTrace::Line &l : VmouseTrace::lines(QStringLiteral("error"))) {
        if (l.text.startsWith(QLatin1String("overlap")))
            overlaps << l.text;
    }
    QVERIFY2(overlaps.isEmpty(), qPrintable(overlaps.join(QLatin1Char('\n'))));
    // The event thread did reopen meanwhile, so the run tried what it claims to.
    QVERIFY(VmouseTrace::lines(QStringLiteral("open")).size() > 50);
}

QTEST_GUILESS_MAIN(TestAttachCycles)
#include "tst_attachcycles.moc"
