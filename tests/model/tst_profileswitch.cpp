// A profile switch against the virtual mouse: afterwards the mouse holds the new profile, for
// two families with different report lengths; only what differs is sent; a switch made while
// the mouse is away reaches it when it returns.
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
int check()
{
    QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
    emit Controller::instance()->check();
    return checked.wait(5000) ? checked.at(0).at(0).toInt() : -100;
}

uint number(const QVariantList &l, int i)
{
    return l.value(i).toString().trimmed().toUInt();
}

// Compares the mouse with the model for what the test profiles set (their DPI values stay below
// the high-range threshold, their lighting effect is the steady one).
QString differs(const vmouse_state &s)
{
    const MouseData *md = MouseData::instance();
    const MouseDefaultData *fd = MouseDefaultData::instance();
    if (s.reportRate != md->reportRate)
        return QStringLiteral("report rate %1, profile %2").arg(s.reportRate).arg(md->reportRate);
    const QVariantList &xs = md->isDefaultDPI ? fd->xDpiList : md->xDpiList;
    for (int i = 0; i < 4; ++i) {
        if (s.dpiX[i] != number(xs, i) / 50 - 1)
            return QStringLiteral("dpi level %1 code %2, profile %3 dpi").arg(i).arg(s.dpiX[i]).arg(number(xs, i));
    }
    if (s.enableMask != (1 << (md->isDefaultDPI ? 5 : md->currentDpiCount)) - 1)
        return QStringLiteral("level mask %1").arg(s.enableMask);
    for (int i = 0; i < 24; ++i) {
        if (s.colors[i] != number(md->colorValue, i))
            return QStringLiteral("colour byte %1").arg(i);
    }
    if (s.lightSlot != number(md->lightValue, 3) || s.lightBrightness != number(md->lightValue, 1) * 50 / 4)
        return QStringLiteral("lighting slot %1 brightness %2").arg(s.lightSlot).arg(s.lightBrightness);
    const KeyFunction &k = (md->isDefaultKey ? md->keyMatrix : fd->defaultKeyMatrix).at(2);
    // A keyboard key (kind 0) is kind 1 on the mouse, a mouse button (kind 1) kind 2.
    const uchar kind = k.kind == 0 ? 1 : k.kind == 1 ? 2 : k.kind;
    if (s.keys[2][0] != kind || s.keys[2][2] != k.param2)
        return QStringLiteral("button 2 %1,%2").arg(s.keys[2][0]).arg(s.keys[2][2]);
    if (md->isDefaultKey && md->keyMatrix.at(3).kind == 2 && (s.keys[3][0] != 10 || s.macros[3][1] != 2))
        return QStringLiteral("button 3 macro: kind %1, loops %2").arg(s.keys[3][0]).arg(s.macros[3][1]);
    return {};
}
} // namespace

class TestProfileSwitch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void mouseHoldsNewProfile_data();
    void mouseHoldsNewProfile();
};

void TestProfileSwitch::initTestCase()
{
    Controller::instance();
    ProfileSync::instance();
}

void TestProfileSwitch::cleanupTestCase()
{
    Controller::shutdown();
    vmouse_reset();
}

void TestProfileSwitch::mouseHoldsNewProfile_data()
{
    QTest::addColumn<int>("family");
    QTest::newRow("family 0, 32-byte reports") << 0;
    QTest::newRow("family 5, 64-byte reports") << 5;
}

void TestProfileSwitch::mouseHoldsNewProfile()
{
    QFETCH(int, family);
    QTemporaryDir dir;
    QVERIFY(TestRoot::install(dir.path()));
    vmouse_reset();
    ProfileSync::instance()->forget();
    int mouse = TestRoot::plugFamily(family);
    MacroData *macros = MacroData::instance();
    macros->load();
    macros->macroActions() = {QStringLiteral("2@#A_-1@#50_-2@#A_-0")};
    macros->setMacroNames({QStringLiteral("twice")});
    TestRoot::loadProfile();
    ProfileManager *pm = ProfileManager::instance();
    pm->load();
    QCOMPARE(check(), family);
    MouseData *md = MouseData::instance();

    QString error;
    const QString a = pm->activeName();
    const QString b = pm->create(QStringLiteral("B"), true, &error);
    QVERIFY(pm->activate(b, &error));
    md->isDefaultKey = 1;
    md->keyMatrix[2] = KeyFunction{0, 0, 0x04, 0, QString()};
    md->keyMatrix[3] = KeyFunction{2, 0, 1, 3, QString()};
    md->reportRate = 2;
    md->isDefaultDPI = 0;
    md->currentDpiCount = 3;
    md->setDpi(0, 0, 800);
    md->setDpi(0, 1, 1600);
    md->lightValue = {1, 4, 2, 1};
    md->colorValue.clear();
    for (int i = 0; i < 24; ++i)
        md->colorValue << 10 + i;
    QVERIFY(pm->activate(a, &error));
    QVERIFY(mouseDrained());
    QCOMPARE(differs(mouseState(mouse)), QString());

    QVERIFY(pm->activate(b, &error));
    QVERIFY(mouseDrained());
    QCOMPARE(differs(mouseState(mouse)), QString());
    QCOMPARE(mouseState(mouse).errors, 0u);

    // The profile already on the mouse: nothing at all (the read that waits for the wire is
    // one command of its own).
    const uint before = mouseState(mouse).commands;
    QVERIFY(pm->activate(b, &error));
    QCOMPARE(ProfileSync::instance()->missingCommands().size(), 0);
    QVERIFY(mouseDrained());
    QCOMPARE(mouseState(mouse).commands, before + 1);

    // A profile that differs only in lighting costs only the lighting command.
    const QString c = pm->duplicate(b, &error);
    QVERIFY(pm->activate(c, &error));
    QVERIFY(mouseDrained());
    QCOMPARE(mouseState(mouse).commands, before + 2);
    md->lightValue = {1, 2, 2, 3};
    QVERIFY(pm->activate(b, &error));
    QVERIFY(mouseDrained());
    const uint atB = mouseState(mouse).commands;
    QVERIFY(pm->activate(c, &error));
    QVERIFY(mouseDrained());
    QCOMPARE(mouseState(mouse).commands, atB + 2);
    QCOMPARE(differs(mouseState(mouse)), QString());

    // Away: the switch changes the model only; the mouse gets it when it is back, once: the
    // controller's resend serves, and the switch's own record knows what that sent.
    vmouse_unplug(mouse);
    QCOMPARE(check(), -1);
    QVERIFY(pm->activate(a, &error));
    mouse = TestRoot::plugFamily(family);
    QSignalSpy resent(Controller::instance(), &Controller::profileResent);
    QSignalSpy sent(Controller::instance(), &Controller::send);
    QCOMPARE(check(), family);
    QVERIFY(mouseDrained());
    QCOMPARE(differs(mouseState(mouse)), QString());
    QCOMPARE(resent.size(), 1);
    QHash<QString, int> perSlot;
    for (const QList<QVariant> &args : std::as_const(sent)) {
        const QString slot = ProfileSync::slotOf(args.at(1).toString());
        const int code = slot.section(QLatin1Char(':'), 0, 0).toInt();
        // Lighting follows keys, DPI and rate by design; everything else goes once.
        if (!slot.isEmpty() && code != 12 && code != 6 && code != 135)
            QVERIFY2(++perSlot[slot] == 1, qPrintable(QStringLiteral("sent twice: ") + slot));
    }
    QVERIFY(!perSlot.isEmpty());
    QCOMPARE(ProfileSync::instance()->missingCommands().size(), 0);
    QVERIFY(pm->activate(c, &error));
    QVERIFY(mouseDrained());
    QCOMPARE(differs(mouseState(mouse)), QString());
}

QTEST_GUILESS_MAIN(TestProfileSwitch)
#include "tst_profileswitch.moc"
