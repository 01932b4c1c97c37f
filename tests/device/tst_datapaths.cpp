#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
bool writeFile(const QString &path, const QByteArray &content)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// Every file under dir with its size, to see that nothing was added or changed.
QStringList listing(const QString &dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files << QDir(dir).relativeFilePath(it.filePath()) + QLatin1Char(' ')
                     + QString::number(it.fileInfo().size());
    }
    files.sort();
    return files;
}
} // namespace

class TestDataPaths : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void portableBesideTheExecutable();
    void installedUnderAPrefix();
    void configDirectoryFollowsXdg();
    void installedFallsBackToDataDirs();
    void forcedRootCoversEverything();
    void installedSaveWritesOnlyTheConfigDirectory();

private:
    std::unique_ptr<QTemporaryDir> tmp;
    QByteArray savedHome, savedXdg, savedDataDirs;
};

void TestDataPaths::init()
{
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
    savedHome = qgetenv("HOME");
    savedXdg = qgetenv("XDG_CONFIG_HOME");
    savedDataDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("HOME", tmp->filePath(QStringLiteral("home")).toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    // No system copy may stand in for the prefix under test.
    qputenv("XDG_DATA_DIRS", tmp->filePath(QStringLiteral("nowhere")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", tmp->filePath(QStringLiteral("nowhere2")).toLocal8Bit());
    DataPaths::setRoot(QString());
}

void TestDataPaths::cleanup()
{
    qputenv("HOME", savedHome);
    if (savedXdg.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedXdg);
    if (savedDataDirs.isNull())
        qunsetenv("XDG_DATA_DIRS");
    else
        qputenv("XDG_DATA_DIRS", savedDataDirs);
    qunsetenv("XDG_DATA_HOME");
    DataPaths::setRoot(QString());
    // The test program itself sits beside the shipped data/.
    DataPaths::useLayoutFor(QCoreApplication::applicationDirPath());
}

void TestDataPaths::portableBesideTheExecutable()
{
    const QString exe = tmp->filePath(QStringLiteral("portable"));
    QVERIFY(writeFile(exe + QStringLiteral("/data/apConfig.bin"), "[common]\n"));
    // A share/ beside it must not win over the files next to the program.
    QVERIFY(writeFile(tmp->filePath(QStringLiteral("share/mousecfg/data/apConfig.bin")), "[common]\n"));
    DataPaths::useLayoutFor(exe);

    QCOMPARE(DataPaths::layout(), DataPaths::Layout::Portable);
    QCOMPARE(DataPaths::configFile(), QStringLiteral("./data/apConfig.bin"));
    QCOMPARE(DataPaths::profileFile(0), QStringLiteral("./data/p0.bin"));
    QCOMPARE(DataPaths::profileFile(-1), QStringLiteral("./data/pD.bin"));
    QCOMPARE(DataPaths::macroStore(), QStringLiteral("./data/macro.bin"));
    QCOMPARE(DataPaths::languageFile(QStringLiteral("English")), QStringLiteral("./i18n/English.ini"));
    QCOMPARE(DataPaths::fontFile(), QStringLiteral("./fonts/roboto-hinted/Roboto-Regular.ttf"));
    QCOMPARE(DataPaths::updateDir(), QStringLiteral("./update"));
    QCOMPARE(DataPaths::root(), QStringLiteral("."));
}

void TestDataPaths::installedUnderAPrefix()
{
    const QString prefix = tmp->filePath(QStringLiteral("usr"));
    QVERIFY(QDir().mkpath(prefix + QStringLiteral("/bin")));
    QVERIFY(writeFile(prefix + QStringLiteral("/share/mousecfg/data/apConfig.bin"), "[common]\n"));
    DataPaths::useLayoutFor(prefix + QStringLiteral("/bin"));

    const QString share = prefix + QStringLiteral("/share/mousecfg");
    const QString config = tmp->filePath(QStringLiteral("home/.config/mousecfg"));
    QCOMPARE(DataPaths::layout(), DataPaths::Layout::Installed);
    QCOMPARE(DataPaths::configFile(), share + QStringLiteral("/data/apConfig.bin"));
    QCOMPARE(DataPaths::defaultsFile(), share + QStringLiteral("/data/pD.bin"));
    // The defaults are read-only even when asked for as profile -1.
    QCOMPARE(DataPaths::profileFile(-1), share + QStringLiteral("/data/pD.bin"));
    QCOMPARE(DataPaths::profileFile(0), config + QStringLiteral("/p0.bin"));
    QCOMPARE(DataPaths::profileFile(3), config + QStringLiteral("/p3.bin"));
    QCOMPARE(DataPaths::macroStore(), config + QStringLiteral("/macro.bin"));
    QCOMPARE(DataPaths::languageFile(QStringLiteral("ChineseSimplified")),
             share + QStringLiteral("/i18n/ChineseSimplified.ini"));
    QCOMPARE(DataPaths::fontFile(), share + QStringLiteral("/fonts/roboto-hinted/Roboto-Regular.ttf"));
    QCOMPARE(DataPaths::updateDir(), share + QStringLiteral("/update"));
    QCOMPARE(DataPaths::writableDir(), config);
}

void TestDataPaths::configDirectoryFollowsXdg()
{
    const QString xdg = tmp->filePath(QStringLiteral("xdg"));
    qputenv("XDG_CONFIG_HOME", xdg.toLocal8Bit());
    QCOMPARE(DataPaths::userConfigDir(), xdg + QStringLiteral("/mousecfg"));
    DataPaths::useLayoutFor(tmp->filePath(QStringLiteral("usr/bin")));
    QCOMPARE(DataPaths::profileFile(0), xdg + QStringLiteral("/mousecfg/p0.bin"));

    // A relative XDG_CONFIG_HOME is invalid and ignored.
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    QCOMPARE(DataPaths::userConfigDir(), tmp->filePath(QStringLiteral("home/.config/mousecfg")));
}

void TestDataPaths::installedFallsBackToDataDirs()
{
    // The program was copied out of its prefix; the packaged files sit in a data directory.
    const QString system = tmp->filePath(QStringLiteral("system-share"));
    QVERIFY(writeFile(system + QStringLiteral("/mousecfg/data/apConfig.bin"), "[common]\n"));
    qputenv("XDG_DATA_DIRS", system.toLocal8Bit());
    const QString exe = tmp->filePath(QStringLiteral("opt/tools"));
    QVERIFY(QDir().mkpath(exe));
    DataPaths::useLayoutFor(exe);
    QCOMPARE(DataPaths::layout(), DataPaths::Layout::Installed);
    QCOMPARE(DataPaths::configFile(), system + QStringLiteral("/mousecfg/data/apConfig.bin"));

    // Nothing anywhere: the prefix guess stays, so the error names where the files belong.
    qputenv("XDG_DATA_DIRS", tmp->filePath(QStringLiteral("nowhere")).toLocal8Bit());
    DataPaths::useLayoutFor(exe);
    QCOMPARE(DataPaths::configFile(), tmp->filePath(QStringLiteral("opt/share/mousecfg/data/apConfig.bin")));
}

void TestDataPaths::forcedRootCoversEverything()
{
    DataPaths::useLayoutFor(tmp->filePath(QStringLiteral("usr/bin")));
    QCOMPARE(DataPaths::layout(), DataPaths::Layout::Installed);
    const QString root = tmp->filePath(QStringLiteral("root"));
    DataPaths::setRoot(root);
    QCOMPARE(DataPaths::layout(), DataPaths::Layout::Forced);
    QCOMPARE(DataPaths::configFile(), root + QStringLiteral("/data/apConfig.bin"));
    QCOMPARE(DataPaths::profileFile(0), root + QStringLiteral("/data/p0.bin"));
    QCOMPARE(DataPaths::macroStore(), root + QStringLiteral("/data/macro.bin"));
    QCOMPARE(DataPaths::languageFile(QStringLiteral("English")), root + QStringLiteral("/i18n/English.ini"));
    QCOMPARE(DataPaths::root(), root);

    DataPaths::setRoot(QString());
    QCOMPARE(DataPaths::layout(), DataPaths::Layout::Installed);
    QVERIFY(DataPaths::profileFile(0).startsWith(tmp->filePath(QStringLiteral("home/.config/mousecfg/"))));
}

void TestDataPaths::installedSaveWritesOnlyTheConfigDirectory()
{
    // A prefix holding the shipped files, as the package lays them out.
    const QString prefix = tmp->filePath(QStringLiteral("usr"));
    const QString share = prefix + QStringLiteral("/share/mousecfg");
    QVERIFY(QDir().mkpath(prefix + QStringLiteral("/bin")));
    for (const char *name : {"data/apConfig.bin", "data/pD.bin", "i18n/English.ini", "i18n/ChineseSimplified.ini"}) {
        QFile source(QStringLiteral(MOUSECFG_BIN_DIR "/") + QLatin1String(name));
        QVERIFY2(source.open(QIODevice::ReadOnly), name);
        QVERIFY(writeFile(share + QLatin1Char('/') + QLatin1String(name), source.readAll()));
    }
    const QStringList before = listing(prefix);
    DataPaths::useLayoutFor(prefix + QStringLiteral("/bin"));

    MouseDefaultData::instance()->load();
    QVERIFY(!MouseDefaultData::instance()->lightValue.isEmpty());
    MouseData *model = MouseData::instance();
    model->loadLanguage();
    QVERIFY(!model->languageText(1).isEmpty());
    model->load(0);
    model->fillMissingFromDefaults();
    model->reportRate = 2;

    const QString config = tmp->filePath(QStringLiteral("home/.config/mousecfg"));
    QVERIFY(!QFileInfo::exists(config));
    QVERIFY(model->save(0));
    QVERIFY(MacroData::instance()->save());
    QVERIFY(QFileInfo::exists(config + QStringLiteral("/p0.bin")));
    QVERIFY(QFileInfo::exists(config + QStringLiteral("/macro.bin")));
    QCOMPARE(listing(prefix), before);

    // What was saved is what the next start reads.
    model->reportRate = 0;
    model->load(0);
    QCOMPARE(int(model->reportRate), 2);
}

QTEST_GUILESS_MAIN(TestDataPaths)
#include "tst_datapaths.moc"
