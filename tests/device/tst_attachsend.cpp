// A mouse that attaches holding other settings gets the active profile in full, in the
// protocol's order, keeping its DPI level; a check that finds it still there sends nothing; the
// user's "keep what the mouse holds" sends nothing and says so.
#include "common/devicecheck.h"
#include "common/testroot.h"
#include "device/controller.h"
#include "device/ic.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "profiles/profilemanager.h"
#include "profiles/profilesync.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QList<int> codesOf(const QSignalSpy &sent)
{
    QList<int> codes;
    for (const QList<QVariant> &args : sent)
        codes << args.at(1).toString().section(QLatin1Char('_'), 1, 1).toInt();
    return codes;
}

// Plugs a mouse that some other tool left on DPI level `level`, and checks.
int plugOther(int family, int level)
{
    vmouse_reset();
    const int id = TestRoot::plugFamily(family);
    vmouse_press_dpi_button(id, level);
    return id;
}
} // namespace

class TestAttachSend : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void attachSendsTheWholeProfile();
    void levelBeyondTheProfilesLevels();
    void keepWhatTheMouseHolds();

private:
    QTemporaryDir dir;
};

void TestAttachSend::initTestCase()
{
    QVERIFY(TestRoot::install(dir.path()));
    Controller::instance();
    ProfileSync::instance();
    MacroData *macros = MacroData::instance();
    macros->load();
    macros->macroActions() = {QStringLiteral("2@#A_-1@#50_-2@#A_-0")};
    macros->setMacroNames({QStringLiteral("twice")});
    TestRoot::loadProfile();
    ProfileManager::instance()->load();
    MouseData *md = MouseData::instance();
    md->isDefaultKey = 1;
    md->keyMatrix[2] = KeyFunction{0, 0, 0x04, 0, QString()};
    md->keyMatrix[3] = KeyFunction{2, 0, 1, 3, QString()};
    md->reportRate = 2;
    md->isDefaultDPI = 0;
    md->currentDpiCount = 4;
    md->lightValue = {1, 3, 2, 4};
}

void TestAttachSend::cleanupTestCase()
{
    Controller::instance()->setSendOnAttach(false);
    Controller::shutdown();
    vmouse_reset();
}

void TestAttachSend::attachSendsTheWholeProfile()
{
    Controller *c = Controller::instance();
    c->setSendOnAttach(true);
    QVERIFY(replugAndCheck(-1));
    const int mouse = plugOther(5, 2);
    QSignalSpy sent(c, &Controller::send);
    QSignalSpy applied(c, &Controller::profileSentOnAttach);
    QVERIFY(checkFindsFamily(5));
    QVERIFY(applied.wait(10000));
    QVERIFY(mouseDrained());
    QCOMPARE(codesOf(sent), (QList<int>{3, 5, 8, 7, 24, 23, 1, 12, 6}));

    const MouseData *md = MouseData::instance();
    const vmouse_state s = mouseState(mouse);
    QCOMPARE(s.errors, 0u);
    QCOMPARE(int(s.currentLevel), 2); // the level the mouse was on
    QCOMPARE(int(s.enableMask), 15);
    QCOMPARE(int(s.reportRate), 2);
    QCOMPARE(int(s.keys[2][0]), 1);
    QCOMPARE(int(s.keys[2][2]), 0x04);
    QCOMPARE(int(s.keys[3][0]), 10);
    QCOMPARE(int(s.lightSlot), 4);
    QCOMPARE(int(s.dpiX[0]), md->xDpiList.at(0).toString().toInt() / 50 - 1);
    QCOMPARE(int(s.colors[0]), md->colorValue.at(0).toString().toInt());
    QCOMPARE(applied.size(), 1);

    // A check caused by some other device: the same mouse, nothing sent.
    sent.clear();
    QVERIFY(checkFindsFamily(5));
    QVERIFY(mouseDrained());
    QCOMPARE(sent.size(), 0);
    QCOMPARE(applied.size(), 1);
}

void TestAttachSend::levelBeyondTheProfilesLevels()
{
    Controller *c = Controller::instance();
    c->setSendOnAttach(true);
    QVERIFY(replugAndCheck(-1));
    const int mouse = plugOther(0, 4);
    QSignalSpy applied(c, &Controller::profileSentOnAttach);
    QVERIFY(checkFindsFamily(0));
    QVERIFY(applied.wait(10000));
    QVERIFY(mouseDrained());
    // Four levels in use: the last of them, as the DPI page moves it when levels are removed.
    QCOMPARE(int(mouseState(mouse).currentLevel), 3);
    QCOMPARE(int(MouseData::instance()->currentDpiLevel), 3);
}

void TestAttachSend::keepWhatTheMouseHolds()
{
    Controller *c = Controller::instance();
    c->setSendOnAttach(false);
    QVERIFY(replugAndCheck(-1));
    const int mouse = plugOther(0, 1);
    QSignalSpy sent(c, &Controller::send);
    QSignalSpy unsent(c, &Controller::attachedUnsent);
    QVERIFY(checkFindsFamily(0));
    QCOMPARE(unsent.size(), 1);
    QCOMPARE(sent.size(), 0);
    QCOMPARE(mouseState(mouse).commands, 0u);
}

QTEST_GUILESS_MAIN(TestAttachSend)
#include "tst_attachsend.moc"
