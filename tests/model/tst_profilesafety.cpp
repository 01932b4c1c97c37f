// What a mistake or a bad file must not do to the profiles: an export never writes over the
// program's own files or over a file without being asked, a damaged index is kept aside and the
// list rebuilt from the profile files, an import neither drops a button's macro nor piles up
// copies of it, names follow one rule wherever they come from, and a damaged or huge file is
// refused with the reason; a file changed in place is read as it is now.
#include "common/testroot.h"
#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "profiles/profileindex.h"
#include "profiles/profilemanager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

QString macroActions(int i)
{
    return QStringLiteral("%1@#A_-1@#A_-0").arg(i % 100 + 1);
}

// The store holds `count` macros m0, m1, ...
void fillStore(int count)
{
    MacroData *macros = MacroData::instance();
    QStringList names;
    QStringList actions;
    for (int i = 0; i < count; ++i) {
        names << QStringLiteral("m%1").arg(i);
        actions << macroActions(i);
    }
    macros->macroActions() = actions;
    macros->setMacroNames(names);
    QVERIFY(macros->save());
}
} // namespace

class TestProfileSafety : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void exportKeepsOwnFilesAndAsksBeforeReplacing();
    void damagedIndexIsKeptAsideAndRebuilt();
    void importKeepsEveryBindingAndReusesMacros();
    void macroStoreStopsWhereButtonsCanReach();
    void namesFollowOneRule();
    void damagedOrHugeFilesAreRefused();
    void aFileRewrittenInPlaceIsReadAgain();

private:
    std::unique_ptr<QTemporaryDir> dir;
};

void TestProfileSafety::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(TestRoot::install(dir->path()));
    MacroData::instance()->load();
    TestRoot::loadProfile();
    // Keys bound by an earlier case would stay: the model keeps what a file does not set.
    MouseData::instance()->load(-1);
    MouseData::instance()->deviceType = 255;
    ProfileManager::instance()->load();
}

void TestProfileSafety::exportKeepsOwnFilesAndAsksBeforeReplacing()
{
    ProfileManager *pm = ProfileManager::instance();
    QString error;
    QVERIFY(!pm->create(QStringLiteral("B"), true, &error).isEmpty());
    const QString index = ProfileIndex::path();
    const QByteArray indexBytes = fileBytes(index);
    const QString other = DataPaths::profileFile(0);
    const QByteArray otherBytes = fileBytes(other);

    // The program's own files, by their path, through a link, and by a relative path.
    const QString link = dir->filePath(QStringLiteral("link.mcp"));
    QVERIFY(QFile::link(QFileInfo(index).absoluteFilePath(), link));
    for (const QString &target : {QFileInfo(index).absoluteFilePath(), QFileInfo(other).absoluteFilePath(),
                                  QFileInfo(index).absolutePath() + QStringLiteral("/new.mcp"), link}) {
        error.clear();
        QVERIFY2(!pm->exportProfile(QStringLiteral("B"), target, true, &error), qPrintable(target));
        QVERIFY2(error.contains(QStringLiteral("own folder")), qPrintable(error));
    }
    QVERIFY(!pm->exportProfile(QStringLiteral("B"), QStringLiteral("data/profiles.ini"), true, &error));
    QVERIFY2(error.contains(QStringLiteral("absolute")), qPrintable(error));
    QVERIFY(!pm->exportProfile(QStringLiteral("B"), QString(), true, &error));
    QCOMPARE(error, QStringLiteral("No file was given to export to."));
    QCOMPARE(fileBytes(index), indexBytes);
    QCOMPARE(fileBytes(other), otherBytes);
    QVERIFY(!QFile::exists(QFileInfo(index).absolutePath() + QStringLiteral("/new.mcp")));
    // The list after a restart is still the whole list.
    pm->load();
    QCOMPARE(pm->names().size(), 2);

    // Elsewhere: written, then replaced only when asked.
    const QString out = dir->filePath(QStringLiteral("out.mcp"));
    writeBytes(out, "mine");
    QVERIFY(!pm->exportProfile(QStringLiteral("B"), out, false, &error));
    QVERIFY2(error.contains(QStringLiteral("exists already")), qPrintable(error));
    QCOMPARE(fileBytes(out), QByteArray("mine"));
    QVERIFY2(pm->exportProfile(QStringLiteral("B"), out, true, &error), qPrintable(error));
    QVERIFY(fileBytes(out).contains("[mouseKeyMatrix]"));
    const QString fresh = dir->filePath(QStringLiteral("fresh.mcp"));
    QVERIFY2(pm->exportProfile(QStringLiteral("B"), fresh, false, &error), qPrintable(error));
    QVERIFY(!pm->exportProfile(QStringLiteral("B"), dir->filePath(QStringLiteral("no/such/folder.mcp")), true, &error));
    QVERIFY2(error.contains(QStringLiteral("does not exist")), qPrintable(error));
}

void TestProfileSafety::damagedIndexIsKeptAsideAndRebuilt()
{
    ProfileManager *pm = ProfileManager::instance();
    QString error;
    const QString first = pm->activeName();
    QVERIFY(MouseData::instance()->save(0));
    QVERIFY(!pm->create(QStringLiteral("Work"), true, &error).isEmpty());
    QVERIFY(!pm->create(QStringLiteral("Play"), true, &error).isEmpty());
    QVERIFY(pm->rename(QStringLiteral("Play"), QStringLiteral("Game"), &error));
    QVERIFY(pm->setRules({{QStringLiteral("game"), pm->index().profiles.at(2).file}}, -1, &error));
    // A profile file the index never named, and without a name of its own.
    QVERIFY(QFile::copy(DataPaths::defaultsFile(), DataPaths::profileFile(7)));
    QVERIFY(pm->notice().isEmpty());

    const QByteArray junk("\x01\x02 not an index \xff\n[profiles\norder");
    writeBytes(ProfileIndex::path(), junk);
    pm->load();
    QCOMPARE(pm->names(), (QStringList{first, QStringLiteral("Work"), QStringLiteral("Game"), QStringLiteral("Profile 7")}));
    QCOMPARE(pm->activeName(), first);
    QVERIFY(!pm->notice().isEmpty());
    const QStringList aside = QDir(QFileInfo(ProfileIndex::path()).path())
                                  .entryList({QStringLiteral("profiles.ini.damaged-*")}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(fileBytes(QFileInfo(ProfileIndex::path()).path() + QLatin1Char('/') + aside.first()), junk);
    QVERIFY2(pm->notice().contains(aside.first()), qPrintable(pm->notice()));

    // The rebuilt list is on disk: the next start reads it and has nothing to tell.
    pm->load();
    QVERIFY(pm->notice().isEmpty());
    QCOMPARE(pm->names().size(), 4);
    // Working on: a change writes the index, the damaged one stays where it was put.
    QVERIFY(pm->activate(QStringLiteral("Game"), &error));
    QCOMPARE(QDir(QFileInfo(ProfileIndex::path()).path()).entryList({QStringLiteral("profiles.ini.damaged-*")}).size(), 1);
}

void TestProfileSafety::importKeepsEveryBindingAndReusesMacros()
{
    ProfileManager *pm = ProfileManager::instance();
    MacroData *macros = MacroData::instance();
    MouseData *md = MouseData::instance();
    fillStore(3);
    md->keyMatrix[3] = KeyFunction{2, 2, 1, 3, QString()};
    md->keyMatrix[4] = KeyFunction{2, 2, 1, 4, QString()};
    QString error;
    const QString shared = dir->filePath(QStringLiteral("good.mcp"));
    QVERIFY2(pm->exportProfile(pm->activeName(), shared, false, &error), qPrintable(error));

    // Imported again and again: the store holds the macro once, every copy is bound to it.
    for (int round = 0; round < 3; ++round) {
        const QString name = pm->importProfile(shared, &error);
        QVERIFY2(!name.isEmpty(), qPrintable(error));
    }
    QCOMPARE(macros->macroNames().size(), 3);
    QVERIFY(pm->activate(pm->names().last(), &error));
    QVERIFY(md->keyMatrix.at(3).is(2, 2, 1, 3));
    QVERIFY(md->keyMatrix.at(4).is(2, 2, 1, 4));

    // A store whose free places are gone: refused whole, nothing bound to nothing.
    fillStore(MacroData::MaxMacros);
    const QStringList before = pm->names();
    const QByteArray storeBefore = fileBytes(DataPaths::macroStore());
    writeBytes(shared, fileBytes(shared).replace("name=m2", "name=M2"));
    QVERIFY(pm->importProfile(shared, &error).isEmpty());
    QVERIFY2(error.contains(QStringLiteral("\"M2\"")) && error.contains(QStringLiteral("full")), qPrintable(error));
    QCOMPARE(pm->names(), before);
    QCOMPARE(macros->macroNames().size(), MacroData::MaxMacros);
    QCOMPARE(fileBytes(DataPaths::macroStore()), storeBefore);
    // The same macro held at a place a button can reach is still found.
    writeBytes(shared, fileBytes(shared).replace("name=M2", "name=m2"));
    QVERIFY2(!pm->importProfile(shared, &error).isEmpty(), qPrintable(error));
    QCOMPARE(macros->macroNames().size(), MacroData::MaxMacros);
}

void TestProfileSafety::macroStoreStopsWhereButtonsCanReach()
{
    MacroData *macros = MacroData::instance();
    fillStore(MacroData::MaxMacros - 1);
    const QString two = dir->filePath(QStringLiteral("two.mc"));
    writeBytes(two, "[macro]\nmacroName=x@#y\n[action]\n0=1@#A_-1@#A_-0\n1=1@#B_-1@#B_-0\n");
    QString error;
    QCOMPARE(macros->importMacros(two, &error), -1);
    QVERIFY2(error.contains(QString::number(MacroData::MaxMacros)), qPrintable(error));
    QCOMPARE(macros->macroNames().size(), MacroData::MaxMacros - 1);
    const QString one = dir->filePath(QStringLiteral("one.mc"));
    writeBytes(one, "[macro]\nmacroName=x\n[action]\n0=1@#A_-1@#A_-0\n");
    QCOMPARE(macros->importMacros(one, &error), 1);
    QCOMPARE(macros->macroNames().size(), MacroData::MaxMacros);
}

void TestProfileSafety::namesFollowOneRule()
{
    ProfileManager *pm = ProfileManager::instance();
    QString error;
    const QString first = pm->activeName();
    QCOMPARE(pm->create(QStringLiteral("Line one\nLine\ttwo\x01"), true, &error), QStringLiteral("Line one Line two"));
    QVERIFY(pm->create(QStringLiteral(" \n "), true, &error).isEmpty());
    QCOMPARE(error, QStringLiteral("A profile needs a name."));
    // A name that is taken gets the same answer in New as in Rename.
    error.clear();
    QVERIFY(pm->create(QStringLiteral("Line one Line two"), false, &error).isEmpty());
    QCOMPARE(error, QStringLiteral("A profile \"Line one Line two\" exists already."));
    QString renameError;
    QVERIFY(!pm->rename(first, QStringLiteral("Line one\nLine two"), &renameError));
    QCOMPARE(renameError, error);
    QVERIFY(!pm->rename(first, QString(300, QLatin1Char('w')), &error));
    QVERIFY2(error.contains(QStringLiteral("at most 64")), qPrintable(error));
    QVERIFY(pm->create(QString(65, QLatin1Char('w')), true, &error).isEmpty());
    QVERIFY(!pm->create(QString(64, QLatin1Char('w')), true, &error).isEmpty());
    QCOMPARE(pm->names().size(), 3);

    // An error quotes a huge name shortened, never whole.
    QVERIFY(!pm->activate(QString(100000, QLatin1Char('n')), &error));
    QVERIFY(error.size() < 200);

    // An import's name: cleaned and cut, made free.
    const QString file = dir->filePath(QStringLiteral("named.mcp"));
    QVERIFY(pm->exportProfile(first, file, false, &error));
    writeBytes(file, fileBytes(file).replace(QByteArray("name=") + first.toUtf8(),
                                             "name=\"Two\\nlines " + QByteArray(200, 'x') + "\""));
    const QString imported = pm->importProfile(file, &error);
    QVERIFY2(!imported.isEmpty(), qPrintable(error));
    QVERIFY(imported.startsWith(QStringLiteral("Two lines xxx")));
    QCOMPARE(imported.size(), ProfileIndex::MaxNameLength);
    const QString again = pm->importProfile(file, &error);
    QVERIFY(again.endsWith(QStringLiteral(" 2")));
    QCOMPARE(again.size(), ProfileIndex::MaxNameLength);

    // An index written before the rule: names read clean, and two that become one both stay.
    writeBytes(ProfileIndex::path(), "[profiles]\norder=0, 1\nactive=1\n[names]\n0=\"a\\nb\"\n1=a b\n");
    pm->load();
    QCOMPARE(pm->names(), (QStringList{QStringLiteral("a b"), QStringLiteral("a b 2")}));
    QCOMPARE(pm->activeName(), QStringLiteral("a b 2"));
}

void TestProfileSafety::damagedOrHugeFilesAreRefused()
{
    ProfileManager *pm = ProfileManager::instance();
    MouseData *md = MouseData::instance();
    fillStore(2);
    md->keyMatrix[3] = KeyFunction{2, 1, 1, 3, QString()};
    QString error;
    const QString good = dir->filePath(QStringLiteral("good.mcp"));
    QVERIFY(pm->exportProfile(pm->activeName(), good, false, &error));
    const QByteArray whole = fileBytes(good);
    const QStringList before = pm->names();

    // Cut off anywhere after its first section: refused, and the message says what is missing.
    const QString cut = dir->filePath(QStringLiteral("cut.mcp"));
    for (const qsizetype at : {whole.size() * 3 / 4, whole.size() - 12}) {
        writeBytes(cut, whole.left(at));
        QVERIFY2(pm->importProfile(cut, &error).isEmpty(), qPrintable(QString::number(at)));
        QVERIFY2(error.contains(QStringLiteral("cut.mcp")) && error.contains(QStringLiteral("incomplete")), qPrintable(error));
    }
    // Its macro gone: the button would be bound to nothing.
    QByteArray noMacros = whole;
    noMacros.replace("[macros]", "[other]");
    writeBytes(cut, noMacros);
    QVERIFY(pm->importProfile(cut, &error).isEmpty());
    QVERIFY2(error.contains(QStringLiteral("key 4 is bound to macro 1")), qPrintable(error));

    // Too large to be a profile: refused before it is read.
    const QString huge = dir->filePath(QStringLiteral("huge.mcp"));
    QByteArray big = whole;
    big += QByteArray("[junk]\n") + QByteArray(ProfileManager::MaxProfileFileBytes, 'j');
    writeBytes(huge, big);
    QVERIFY(pm->importProfile(huge, &error).isEmpty());
    QVERIFY2(error.contains(QStringLiteral("huge.mcp")) && error.contains(QStringLiteral("MiB")), qPrintable(error));
    QVERIFY(pm->importProfile(dir->path(), &error).isEmpty());
    QVERIFY2(error.contains(QStringLiteral("folder")), qPrintable(error));
    QCOMPARE(pm->names(), before);

    QVERIFY2(!pm->importProfile(good, &error).isEmpty(), qPrintable(error));
}

// Rewritten with the same size and the same time stamp, as two saves within one clock step
// of the file system leave it: what is imported is the new text, not the one read before.
void TestProfileSafety::aFileRewrittenInPlaceIsReadAgain()
{
    const auto rewrite = [](const QString &path, const QByteArray &from, const QByteArray &to) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QDateTime stamp = f.fileTime(QFileDevice::FileModificationTime);
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.contains(from));
        const QByteArray changed = QByteArray(bytes).replace(from, to);
        QVERIFY(f.seek(0) && f.resize(0));
        QCOMPARE(f.write(changed), qint64(changed.size()));
        QVERIFY(f.flush());
        QVERIFY(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    };
    ProfileManager *pm = ProfileManager::instance();
    QString error;
    const QString file = dir->filePath(QStringLiteral("shared.mcp"));
    QVERIFY(pm->exportProfile(pm->activeName(), file, false, &error));
    rewrite(file, QByteArray("name=") + pm->activeName().toUtf8(), "name=Alpha");
    QCOMPARE(pm->importProfile(file, &error), QStringLiteral("Alpha"));
    rewrite(file, "name=Alpha", "name=Omega");
    QCOMPARE(pm->importProfile(file, &error), QStringLiteral("Omega"));

    MacroData *macros = MacroData::instance();
    fillStore(0);
    const QString mc = dir->filePath(QStringLiteral("shared.mc"));
    writeBytes(mc, "[macro]\nmacroName=Alpha\n[action]\n0=1@#A_-1@#A_-0\n");
    QCOMPARE(macros->importMacros(mc, &error), 1);
    rewrite(mc, "Alpha", "Omega");
    QCOMPARE(macros->importMacros(mc, &error), 1);
    QCOMPARE(macros->macroNames(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Omega")}));

    // No room for the copy: refused, and the message says it was the copy, not the file.
    const QByteArray tmp = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&tmp] { tmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmp); });
    const QStringList names = pm->names();
    for (const QString &tmpdir : {dir->filePath(QStringLiteral("absent")), file}) {
        qputenv("TMPDIR", tmpdir.toLocal8Bit());
        QVERIFY(pm->importProfile(file, &error).isEmpty());
        QVERIFY2(error.contains(QStringLiteral("no copy")) && error.contains(tmpdir), qPrintable(error));
        QCOMPARE(macros->importMacros(mc, &error), -1);
        QVERIFY2(error.contains(QStringLiteral("no copy")) && error.contains(tmpdir), qPrintable(error));
    }
    QCOMPARE(pm->names(), names);
    QCOMPARE(macros->macroNames().size(), 2);
}

QTEST_GUILESS_MAIN(TestProfileSafety)
#include "tst_profilesafety.moc"
