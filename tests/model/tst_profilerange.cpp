// Values a profile file holds that the mouse cannot take are brought into range once, on reading:
// the pages' rule and the model agree, and the mouse gets what the pages show. A switch to a
// profile with fewer DPI levels moves the mouse onto a level that profile enables.
#include "common/devicecheck.h"
#include "common/testroot.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "model/profilerange.h"
#include "model/profilesender.h"
#include "profiles/profilemanager.h"
#include "profiles/profilesync.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
int number(const QVariantList &l, int i)
{
    return l.value(i).toString().trimmed().toInt();
}

void writeRaw(const QString &file, const QByteArray &text)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}
} // namespace

class TestProfileRange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void outOfRangeValuesAreShownAsSent();
    void fewerLevelsMoveTheLevel();

private:
    QTemporaryDir dir;
};

void TestProfileRange::initTestCase()
{
    QVERIFY(TestRoot::install(dir.path()));
    Controller::instance();
    ProfileSync::instance();
}

void TestProfileRange::cleanupTestCase()
{
    Controller::shutdown();
    vmouse_reset();
}

void TestProfileRange::outOfRangeValuesAreShownAsSent()
{
    // As a hand edit leaves it: family 0's lists, four levels in use.
    writeRaw(DataPaths::profileFile(0), "[mouse]\nxDpiList=-400, 0, 999999, abc\nyDpiList=-400, 0, 999999, abc\n"
                                        "lightValue=9, 77, -5, 300\ncurrentDpiCount=4\nisDefaultDPI=0\n"
                                        "isDefaultKey=0\nreportRate=1\n");
    MouseData *md = MouseData::instance();
    QSignalSpy adjusted(md, &MouseData::valuesAdjusted);
    MacroData::instance()->load();
    TestRoot::loadProfile();
    ProfileManager::instance()->load();
    int mouse = -1;
    QVERIFY(replugAndCheck(0, &mouse));

    const MouseDefaultData *fd = MouseDefaultData::instance();
    QCOMPARE(md->xDpiList.size(), 8);
    QCOMPARE(number(md->xDpiList, 0), number(fd->xDpiList, 0)); // negative: the factory level
    QCOMPARE(number(md->xDpiList, 1), number(fd->xDpiList, 1)); // zero
    QCOMPARE(number(md->xDpiList, 2), md->maxDpi);              // beyond the family's maximum
    QCOMPARE(number(md->xDpiList, 3), number(fd->xDpiList, 3)); // not a number
    for (int i = 0; i < 8; ++i)
        QCOMPARE(ProfileRange::dpi(number(md->xDpiList, i)), number(md->xDpiList, i));
    QCOMPARE(md->lightValue.size(), 4);
    QCOMPARE((QList<int>{number(md->lightValue, 0), number(md->lightValue, 1), number(md->lightValue, 2),
                         number(md->lightValue, 3)}),
             (QList<int>{5, 4, 0, 5}));

    for (const Ic553::Command &c : ProfileSender::fullCommands())
        emit Controller::instance()->send(c.dataLength, c.text);
    QVERIFY(mouseDrained());
    const vmouse_state s = mouseState(mouse);
    QCOMPARE(s.errors, 0u);
    // 12000 is above family 0's 7200: 100-DPI steps, with the level's high-range bit.
    QCOMPARE(int(s.dpiX[2]), md->maxDpi / 100 - 1);
    QVERIFY(s.xHighMask & (1 << 2));
    QCOMPARE(int(s.dpiX[0]), number(fd->xDpiList, 0) / 50 - 1);
    QCOMPARE(int(s.lightSlot), 5);
    QCOMPARE(int(s.enableMask), 15);

    // Told once for the file, although it was read at start-up and again at the attach.
    QCoreApplication::processEvents();
    QCOMPARE(adjusted.size(), 1);
    QCOMPARE(adjusted.at(0).at(0).toString(), DataPaths::profileFile(0));
    md->loadProfile(0);
    QCoreApplication::processEvents();
    QCOMPARE(adjusted.size(), 1);

    // A file the mouse can take as it is is neither changed nor reported.
    writeRaw(DataPaths::profileFile(1), "[mouse]\nxDpiList=400, 800, 1600, 3200, 6400, 7200, 200, 200\n"
                                        "lightValue=1, 2, 3, 4\ncurrentDpiCount=3\n");
    md->loadProfile(1);
    QCoreApplication::processEvents();
    QCOMPARE(adjusted.size(), 1);
    QCOMPARE(number(md->xDpiList, 5), 7200);
    QCOMPARE(number(md->lightValue, 3), 4);
}

void TestProfileRange::fewerLevelsMoveTheLevel()
{
    QVERIFY(TestRoot::install(dir.path()));
    writeRaw(DataPaths::profileFile(0), "[mouse]\ncurrentDpiCount=5\nisDefaultDPI=0\nreportRate=1\n");
    MacroData::instance()->load();
    TestRoot::loadProfile();
    ProfileManager *pm = ProfileManager::instance();
    pm->load();
    int mouse = -1;
    QVERIFY(replugAndCheck(0, &mouse));
    ProfileSync::instance()->forget();
    MouseData *md = MouseData::instance();
    md->currentDpiLevel = 4;
    ProfileSync::instance()->sync();
    QVERIFY(mouseDrained());
    QCOMPARE(int(mouseState(mouse).currentLevel), 4);

    QString error;
    const QString three = pm->create(QStringLiteral("Three"), false, &error);
    QVERIFY2(!three.isEmpty(), qPrintable(error));
    {
        QSettings p(DataPaths::profileFile(pm->index().profiles.last().file), QSettings::IniFormat);
        p.setValue("mouse/currentDpiCount", 3);
    }
    QVERIFY(pm->activate(three, &error));
    QVERIFY(mouseDrained());
    QCOMPARE(int(md->currentDpiLevel), 2);
    QCOMPARE(int(mouseState(mouse).currentLevel), 2);
    QCOMPARE(int(mouseState(mouse).enableMask), 7);
}

QTEST_GUILESS_MAIN(TestProfileRange)
#include "tst_profilerange.moc"
