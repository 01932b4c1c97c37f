// Named profiles on disk: the index and the profile files stay consistent through every
// operation, a switch keeps both profiles' settings, a killed index save leaves a whole index,
// and an imported profile's buttons bind the macros that came with it.
#include "common/testroot.h"
#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "profiles/profileautoswitch.h"
#include "profiles/profileindex.h"
#include "profiles/profilemanager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>

namespace {
const char *ChildDir = "MOUSECFG_PROFILEINDEX_DIR";

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Index generation g: g % 4 + 1 profiles named after g, the last one active, one rule.
ProfileIndex generation(int g)
{
    ProfileIndex index;
    const int n = g % 4 + 1;
    for (int i = 0; i < n; ++i)
        index.profiles.append({QStringLiteral("gen %1 profile %2 %3").arg(g).arg(i).arg(QString(40, QLatin1Char('x'))), i});
    index.active = n - 1;
    index.rules.append({QStringLiteral("/usr/bin/program-%1").arg(g), 0});
    index.defaultFile = n > 1 ? 1 : -1;
    return index;
}

bool same(const ProfileIndex &a, const ProfileIndex &b)
{
    if (a.profiles.size() != b.profiles.size() || a.active != b.active || a.defaultFile != b.defaultFile
        || a.rules.size() != b.rules.size())
        return false;
    for (int i = 0; i < a.profiles.size(); ++i) {
        if (a.profiles.at(i).name != b.profiles.at(i).name || a.profiles.at(i).file != b.profiles.at(i).file)
            return false;
    }
    for (int i = 0; i < a.rules.size(); ++i) {
        if (a.rules.at(i).program != b.rules.at(i).program || a.rules.at(i).file != b.rules.at(i).file)
            return false;
    }
    return true;
}

// The index on disk, read fresh (a copy under a new name: QSettings caches files it has read).
bool indexOnDisk(ProfileIndex *out)
{
    static int copies = 0;
    const QString copy = ProfileIndex::path() + QStringLiteral(".copy%1").arg(++copies);
    if (!QFile::copy(ProfileIndex::path(), copy))
        return false;
    const bool ok = out->loadFrom(copy);
    QFile::remove(copy);
    return ok;
}
} // namespace

class TestProfiles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void firstStartAdoptsProfileZero();
    void operationsKeepIndexAndFilesConsistent();
    void switchKeepsBothProfiles();
    void savedOnChangeIsTheActiveProfile();
    void importedProfileBindsItsMacros();
    void macroDeletionRebindsOtherProfiles();
    void rulesMatchPrograms();
    void killedIndexSaveLeavesWholeIndex();
    void indexSaveLoopChild();

private:
    QTemporaryDir *dir = nullptr;
};

void TestProfiles::init()
{
    if (!qEnvironmentVariableIsEmpty(ChildDir))
        return;
    delete dir;
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    QVERIFY(TestRoot::install(dir->path()));
    MacroData::instance()->load();
    TestRoot::loadProfile();
    MouseData::instance()->deviceType = 255;
    ProfileManager::instance()->load();
}

void TestProfiles::firstStartAdoptsProfileZero()
{
    MouseData *md = MouseData::instance();
    md->reportRate = 2;
    QVERIFY(md->save(0));
    const QByteArray before = fileBytes(DataPaths::profileFile(0));

    ProfileManager *pm = ProfileManager::instance();
    pm->load();
    QCOMPARE(pm->names().size(), 1);
    QCOMPARE(pm->activeName(), md->languageText(190));
    QVERIFY(!pm->activeName().isEmpty());
    QCOMPARE(md->profileNumber, 0);
    // Reading alone writes nothing: an existing user's file stays byte for byte.
    QVERIFY(!QFile::exists(ProfileIndex::path()));
    QCOMPARE(fileBytes(DataPaths::profileFile(0)), before);
}

void TestProfiles::operationsKeepIndexAndFilesConsistent()
{
    ProfileManager *pm = ProfileManager::instance();
    const QString first = pm->activeName();
    QString error;
    const QString work = pm->create(QStringLiteral("Work"), false, &error);
    QCOMPARE(work, QStringLiteral("Work"));
    QVERIFY(pm->create(QStringLiteral("Work"), true, &error).isEmpty());
    QCOMPARE(pm->create(QStringLiteral("Work 2"), true, &error), QStringLiteral("Work 2"));
    const QString copy = pm->duplicate(QStringLiteral("Work"), &error);
    QCOMPARE(copy, QStringLiteral("Work 3"));
    QCOMPARE(pm->names(), (QStringList{first, QStringLiteral("Work"), QStringLiteral("Work 3"), QStringLiteral("Work 2")}));
    QVERIFY(!pm->rename(QStringLiteral("Work 3"), QStringLiteral("Work"), &error));
    QVERIFY(!pm->rename(QStringLiteral("Work 3"), QStringLiteral("  "), &error));
    QVERIFY(pm->rename(QStringLiteral("Work 3"), QStringLiteral("Game"), &error));
    QVERIFY(pm->setRules({{QStringLiteral("game.bin"), pm->index().profiles.at(2).file}}, pm->index().profiles.at(2).file, &error));

    // Deleting the active profile moves to its neighbour first, and takes its rules with it.
    QVERIFY(pm->activate(QStringLiteral("Game"), &error));
    const int gameFile = pm->index().profiles.at(2).file;
    QVERIFY(pm->remove(QStringLiteral("Game"), &error));
    QCOMPARE(pm->activeName(), QStringLiteral("Work 2"));
    QVERIFY(!QFile::exists(DataPaths::profileFile(gameFile)));
    QVERIFY(pm->index().rules.isEmpty());
    QCOMPARE(pm->index().defaultFile, -1);

    QVERIFY(pm->remove(first, &error));
    QVERIFY(pm->remove(QStringLiteral("Work"), &error));
    QVERIFY(!pm->remove(QStringLiteral("Work 2"), &error));
    QVERIFY(!error.isEmpty());

    // What is on disk is what the program holds, and every profile has its file.
    ProfileIndex disk;
    QVERIFY(indexOnDisk(&disk));
    QVERIFY(same(disk, pm->index()));
    QCOMPARE(disk.profiles.size(), 1);
    for (const ProfileIndex::Entry &e : disk.profiles)
        QVERIFY(QFile::exists(DataPaths::profileFile(e.file)));
    // A new profile never takes over a file a deleted one left.
    QVERIFY(!pm->create(QStringLiteral("Again"), true, &error).isEmpty());
    QVERIFY(QFile::exists(DataPaths::profileFile(pm->index().profiles.last().file)));
}

void TestProfiles::switchKeepsBothProfiles()
{
    ProfileManager *pm = ProfileManager::instance();
    MouseData *md = MouseData::instance();
    md->deviceType = 0;
    QString error;
    const QString a = pm->activeName();
    const QString b = pm->create(QStringLiteral("B"), true, &error);
    QVERIFY(!b.isEmpty());

    // A's unsaved edits, made just before the switch.
    md->keyMatrix[2].kind = 0;
    md->keyMatrix[2].param2 = 0x04;
    md->reportRate = 4;
    md->setDpi(0, 1, 1300); // on the step, as the DPI page stores it
    md->lightValue = {2, 3, 1, 4};
    md->runProgram = QStringLiteral("/opt/a/run");
    const QString keysA = md->keyMatrixText();
    const QVariantList xA = md->xDpiList;

    QVERIFY(pm->activate(b, &error));
    QCOMPARE(md->profileNumber, pm->index().active);
    QVERIFY(md->keyMatrixText() != keysA);
    QVERIFY(md->runProgram.isEmpty());
    md->reportRate = 8;
    md->colorValue[0] = 7;

    QVERIFY(pm->activate(a, &error));
    QCOMPARE(md->keyMatrixText(), keysA);
    QCOMPARE(md->reportRate, uchar(4));
    QCOMPARE(md->xDpiList.at(1).toString().toUInt(), 1300u);
    QCOMPARE(md->xDpiList.size(), xA.size());
    QCOMPARE(md->lightValue.at(3).toString().toInt(), 4);
    QCOMPARE(md->runProgram, QStringLiteral("/opt/a/run"));
    QVERIFY(pm->activate(b, &error));
    QCOMPARE(md->reportRate, uchar(8));
    QCOMPARE(md->colorValue.at(0).toString().toInt(), 7);
    QVERIFY(!pm->activate(QStringLiteral("nobody"), &error));
    md->deviceType = 255;
}

void TestProfiles::savedOnChangeIsTheActiveProfile()
{
    ProfileManager *pm = ProfileManager::instance();
    MouseData *md = MouseData::instance();
    SaveScheduler *saver = md->saver();
    QString error;
    const QString a = pm->activeName();
    const QString b = pm->create(QStringLiteral("B"), true, &error);
    QVERIFY(pm->activate(b, &error));
    const QString fileA = DataPaths::profileFile(0);
    const QString fileB = DataPaths::profileFile(pm->index().active);
    const QByteArray bytesA = fileBytes(fileA);
    const QByteArray bytesB = fileBytes(fileB);
    QCOMPARE(saver->fileName(), QFileInfo(fileB).fileName());

    // A switch alone leaves nothing to write.
    md->markChanged();
    QVERIFY(saver->flush());
    QCOMPARE(fileBytes(fileB), bytesB);

    md->reportRate = 2;
    md->markChanged();
    QVERIFY(saver->flush());
    QVERIFY(fileBytes(fileB).contains("reportRate=2"));
    QCOMPARE(fileBytes(fileA), bytesA);

    // An edit still waiting for the scheduler goes to the profile it was made in, at the switch.
    md->reportRate = 4;
    md->markChanged();
    QVERIFY(pm->activate(a, &error));
    QVERIFY(fileBytes(fileB).contains("reportRate=4"));
    QCOMPARE(fileBytes(fileA), bytesA);
    QCOMPARE(saver->fileName(), QFileInfo(fileA).fileName());
    QVERIFY(saver->flush());
    QCOMPARE(fileBytes(fileA), bytesA);
}

void TestProfiles::importedProfileBindsItsMacros()
{
    ProfileManager *pm = ProfileManager::instance();
    MacroData *macros = MacroData::instance();
    MouseData *md = MouseData::instance();
    macros->macroActions() = {QStringLiteral("1@#A_-1@#A_-0"), QStringLiteral("2@#B_-1@#B_-0"), QStringLiteral("3@#C_-1@#C_-0")};
    macros->setMacroNames({QStringLiteral("m0"), QStringLiteral("m1"), QStringLiteral("m2")});
    md->isDefaultKey = 1;
    md->keyMatrix[3] = KeyFunction{2, 2, 1, 3, QString()};
    md->keyMatrix[4] = KeyFunction{2, 0, 1, 4, QString()};
    md->keyMatrix[5] = KeyFunction{2, 2, 2, 5, QString()};
    QString error;
    const QString file = dir->filePath(QStringLiteral("shared.mcp"));
    QVERIFY(pm->exportProfile(pm->activeName(), file, false, &error));

    // Another user's store: different macros at those places.
    macros->macroActions() = {QStringLiteral("9@#D_-1@#D_-0")};
    macros->setMacroNames({QStringLiteral("mine")});
    const QString name = pm->importProfile(file, &error);
    QVERIFY2(!name.isEmpty(), qPrintable(error));
    QCOMPARE(pm->names().last(), name);
    QCOMPARE(macros->macroNames(), (QStringList{QStringLiteral("mine"), QStringLiteral("m2"), QStringLiteral("m0")}));
    QCOMPARE(macros->macroActions().at(1), QStringLiteral("3@#C_-1@#C_-0"));
    QCOMPARE(macros->macroActions().at(2), QStringLiteral("1@#A_-1@#A_-0"));
    // The store on disk holds them too.
    macros->load();
    QCOMPARE(macros->macroNames().size(), 3);

    QVERIFY(pm->activate(name, &error));
    QVERIFY(md->keyMatrix.at(3).is(2, 1, 1, 3));
    QVERIFY(md->keyMatrix.at(4).is(2, 2, 1, 4));
    QVERIFY(md->keyMatrix.at(5).is(2, 1, 2, 5));
    QCOMPARE(md->keyMatrix.at(3).label, QStringLiteral("m2"));

    // Not a profile file: refused, nothing added.
    const QString junk = dir->filePath(QStringLiteral("junk.mcp"));
    QFile j(junk);
    QVERIFY(j.open(QIODevice::WriteOnly));
    j.write("[other]\nx=1\n");
    j.close();
    const int before = int(pm->names().size());
    QVERIFY(pm->importProfile(junk, &error).isEmpty());
    QCOMPARE(pm->names().size(), before);
}

void TestProfiles::macroDeletionRebindsOtherProfiles()
{
    ProfileManager *pm = ProfileManager::instance();
    MouseData *md = MouseData::instance();
    QString error;
    const QString a = pm->activeName();
    const QString b = pm->create(QStringLiteral("B"), true, &error);
    QVERIFY(pm->activate(b, &error));
    md->keyMatrix[3] = KeyFunction{2, 2, 1, 3, QString()};
    md->keyMatrix[4] = KeyFunction{2, 1, 1, 4, QString()};
    md->keyMatrix[5] = KeyFunction{2, 0, 1, 5, QString()};
    QVERIFY(pm->activate(a, &error));

    // The macro page deleted macro 1 of the shared store while A was active.
    pm->macroDeleted(1);
    QVERIFY(pm->activate(b, &error));
    QVERIFY(md->keyMatrix.at(3).is(2, 1, 1, 3));
    QVERIFY(md->keyMatrix.at(4).is(0, 0, 0, 0));   // disabled, as the macro page does in the active one
    QVERIFY(md->keyMatrix.at(5).is(2, 0, 1, 5));
}

void TestProfiles::rulesMatchPrograms()
{
    ProfileIndex index;
    index.profiles = {{QStringLiteral("a"), 0}, {QStringLiteral("b"), 1}, {QStringLiteral("c"), 2}};
    const QString program = dir->filePath(QStringLiteral("game"));
    const QString link = dir->filePath(QStringLiteral("game-link"));
    QVERIFY(QFile(program).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(program, link));
    // Off while there is no rule, even with a default.
    index.defaultFile = 2;
    QCOMPARE(ProfileAutoSwitch::profileFor(index, program), -1);

    index.rules = {{QStringLiteral("editor"), 0}, {link, 1}};
    QCOMPARE(ProfileAutoSwitch::profileFor(index, QStringLiteral("/opt/x/editor")), 0);
    QCOMPARE(ProfileAutoSwitch::profileFor(index, program), 1);
    QCOMPARE(ProfileAutoSwitch::profileFor(index, QStringLiteral("/opt/x/editor2")), 2);
    index.defaultFile = -1;
    QCOMPARE(ProfileAutoSwitch::profileFor(index, QStringLiteral("/opt/x/other")), -1);

    // An application id, as a Wayland app_id, an X11 class or a desktop file's name, whatever
    // the case; where the desktop gives no process, the id alone decides.
    index.rules = {{QStringLiteral("org.example.Paint.desktop"), 0}, {QStringLiteral("firefox"), 1}};
    index.defaultFile = 2;
    QCOMPARE(ProfileAutoSwitch::profileFor(index, QString(), QStringLiteral("org.example.Paint")), 0);
    QCOMPARE(ProfileAutoSwitch::profileFor(index, QStringLiteral("/usr/lib/x/paint"), QStringLiteral("ORG.EXAMPLE.PAINT.desktop")), 0);
    QCOMPARE(ProfileAutoSwitch::profileFor(index, QStringLiteral("/usr/lib/firefox-esr/firefox-esr"), QStringLiteral("Firefox")), 1);
    QCOMPARE(ProfileAutoSwitch::profileFor(index, QString(), QStringLiteral("firefox")), 1);
    // An id that is only a part of the rule's does not match; a path rule never matches an id.
    QCOMPARE(ProfileAutoSwitch::profileFor(index, QString(), QStringLiteral("org.example")), 2);
    index.rules = {{link, 1}};
    QCOMPARE(ProfileAutoSwitch::profileFor(index, QString(), link), 2);
    QCOMPARE(ProfileAutoSwitch::profileFor(index, QString(), QString()), -1);
}

void TestProfiles::indexSaveLoopChild()
{
    const QString root = qEnvironmentVariable(ChildDir);
    if (root.isEmpty())
        QSKIP("the saving child of killedIndexSaveLeavesWholeIndex");
    DataPaths::setRoot(root);
    std::fputs("saving\n", stdout);
    std::fflush(stdout);
    for (int g = 2;; ++g) {
        QVERIFY(generation(g).save());
        std::fputs("saved\n", stdout);
        std::fflush(stdout);
    }
}

void TestProfiles::killedIndexSaveLeavesWholeIndex()
{
    QVERIFY(generation(1).save());
    QRandomGenerator random(20261208);
    int advanced = 0;
    const int rounds = 100;
    for (int round = 0; round < rounds; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(ChildDir), dir->path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("indexSaveLoopChild")});
        QVERIFY(child.waitForStarted(10000));
        QByteArray out;
        while (!out.contains("saving\n")) {
            QVERIFY2(child.waitForReadyRead(20000), qPrintable(child.readAllStandardError()));
            out += child.readAllStandardOutput();
        }
        const int saves = int(random.bounded(3));
        while (out.count("saved\n") < saves) {
            QVERIFY(child.waitForReadyRead(20000));
            out += child.readAllStandardOutput();
        }
        QThread::usleep(random.bounded(5000));
        child.kill();
        QVERIFY(child.waitForFinished(10000));

        ProfileIndex disk;
        QVERIFY2(indexOnDisk(&disk), qPrintable(QStringLiteral("round %1: no readable index").arg(round)));
        const int g = disk.profiles.first().name.section(QLatin1Char(' '), 1, 1).toInt();
        QVERIFY2(same(disk, generation(g)), qPrintable(QStringLiteral("round %1: a mixed index").arg(round)));
        advanced += g > 1 ? 1 : 0;
    }
    // Enough kills land after a finished save, or the test proved nothing.
    QVERIFY(advanced >= rounds / 3);
}

QTEST_GUILESS_MAIN(TestProfiles)
#include "tst_profiles.moc"
