#include "device/datapaths.h"
#include "model/macrodata.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "clirun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A copy of the program with the shipped data beside it, so that each test has its own data/.
struct Install
{
    QTemporaryDir dir;
    QString trace;

    bool make()
    {
        if (!dir.isValid())
            return false;
        const QString bin = QStringLiteral(MOUSECFG_BIN_DIR);
        QDir(dir.path()).mkpath(QStringLiteral("data"));
        QDir(dir.path()).mkpath(QStringLiteral("i18n"));
        for (const QString &f : {QStringLiteral("mousecfg-cli-vmouse"), QStringLiteral("data/apConfig.bin"),
                                 QStringLiteral("data/pD.bin"), QStringLiteral("i18n/English.ini"),
                                 QStringLiteral("i18n/ChineseSimplified.ini")}) {
            if (!QFile::copy(bin + '/' + f, path(f)))
                return false;
        }
        trace = path(QStringLiteral("trace.txt"));
        return true;
    }
    QString path(const QString &relative) const { return dir.path() + '/' + relative; }
};

using Run = CliRun;

Run run(const Install &install, const QStringList &args, const QString &devices,
        const QString &control = QString(), const QString &workingDir = QDir::tempPath())
{
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("VMOUSE_DEVICES"), devices);
    extra.insert(QStringLiteral("VMOUSE_TRACE"), install.trace);
    if (!control.isEmpty())
        extra.insert(QStringLiteral("VMOUSE_CONTROL"), control);
    return CliRun::start(install.path(QStringLiteral("mousecfg-cli-vmouse")), args, extra,
                         workingDir, 60000);
}

// One command as the virtual mouse saw it: the feature report and the data reports after it.
struct Command
{
    QVector<int> feature;
    QVector<int> data;
    int code() const { return feature.value(1, -1); }
};

QVector<int> hexBytes(const QStringList &fields)
{
    QVector<int> bytes;
    for (const QString &f : fields) {
        bool ok = false;
        const int v = f.toInt(&ok, 16);
        if (!ok || f.size() != 2)
            break;
        bytes << v;
    }
    return bytes;
}

QList<Command> commands(const QString &traceFile, QStringList *errors)
{
    QFile f(traceFile);
    QList<Command> out;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QString &line : QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)) {
        const QString row = line.section('#', 0, 0);
        const QStringList fields = row.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        const QString op = fields.at(1);
        if (op == QLatin1String("error"))
            errors->append(line);
        else if (op == QLatin1String("feature"))
            out.append({hexBytes(fields.mid(3)), {}});
        else if (op == QLatin1String("output") && !out.isEmpty())
            out.last().data << hexBytes(fields.mid(3)).mid(1);
    }
    return out;
}

// A control FIFO at `fifo` holding a press of mouse 0's DPI button to `level`, for the tool's
// virtual mouse to read when it starts; returns the descriptor holding it open (-1 on failure).
// Held open so that the line waits in the FIFO until the program's virtual mouse reads it.
int pressDpiButtonAtStart(const QString &fifo, int level)
{
    if (::mkfifo(fifo.toLocal8Bit().constData(), 0600) != 0)
        return -1;
    const int fd = ::open(fifo.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK);
    const QByteArray line = "dpi-button 0 " + QByteArray::number(level) + '\n';
    if (fd >= 0 && ::write(fd, line.constData(), size_t(line.size())) != ssize_t(line.size())) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QVariantList numbers(const QVector<int> &values)
{
    QVariantList list;
    for (int v : values)
        list << v;
    return list;
}

} // namespace

class TestApply : public QObject
{
    Q_OBJECT
private slots:
    void applySendsTheProfile();
    void applySendsTheActiveProfile();
    void applyWithoutMouse();
    void dpiLevelReadsTheMouse();
    void profileUseKeepsTheLevel();
    void exportImportRoundTrip();
    void relativeFileNamesFollowTheCaller();
    void importBesideARunningProgram();
    void macroFileErrors_data();
    void macroFileErrors();
};

void TestApply::applySendsTheProfile()
{
    Install in;
    QVERIFY(in.make());
    QVector<int> colours;
    for (int i = 0; i < 18; ++i)
        colours << 10 + i;
    colours << QVector<int>(6, 255);
    {
        QSettings p(in.path(QStringLiteral("data/p0.bin")), QSettings::IniFormat);
        p.setValue("mouse/reportRate", 2);
        p.setValue("mouse/currentDpiCount", 3);
        p.setValue("mouse/isDefaultDPI", 0);
        p.setValue("mouse/isDefaultKey", 1);
        p.setValue("mouse/isXY", 1);
        // Family 1 keeps its lists under the _4 keys.
        p.setValue("mouse/xDpiList_4", numbers({400, 800, 1600, 3200, 6400, 16000, 200, 200}));
        p.setValue("mouse/yDpiList_4", numbers({500, 1000, 2000, 4000, 8000, 12000, 200, 200}));
        p.setValue("mouse/lightValue", numbers({2, 3, 1, 4}));
        p.setValue("mouse/colorValue", numbers(colours));
        const QVector<QVector<int>> keys = {{1, 0, 240, 0}, {0, 224, 6, 0}, {4, 0, 0xE9, 0}, {2, 0, 1, 3},
                                            {1, 0, 241, 0}, {6, 1, 0, 0}};
        for (int i = 0; i < 16; ++i)
            p.setValue(QStringLiteral("mouseKeyMatrix/%1").arg(i), numbers(keys.value(i, {0, 0, 0, 0})));
        QSettings m(in.path(QStringLiteral("data/macro.bin")), QSettings::IniFormat);
        m.setValue("macro/macroName", QStringLiteral("宏一"));
        m.setValue("action/0", QStringLiteral("1@#A_-1@#50_-2@#A_-0"));
    }

    const Run r = run(in, {QStringLiteral("apply")}, QStringLiteral("f0e1:7a02:ff00:1:ff01:1:32"));
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.contains(QStringLiteral("family 1")), qPrintable(r.out));

    QStringList errors;
    const QList<Command> sent = commands(in.trace, &errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));

    QVector<int> codes;
    for (const Command &c : sent)
        codes << c.code();
    // Level read, keys + lighting, DPI + lighting, rate + lighting, the bound macro, final read.
    const QVector<int> expectedCodes = {135, 3, 12, 6, 8, 7, 24, 23, 12, 6, 1, 12, 6, 5, 135};
    QCOMPARE(codes, expectedCodes);

    const QVector<int> keyData = sent[1].data.mid(0, 64);
    QCOMPARE(keyData.size(), 64);
    QCOMPARE(keyData.mid(0, 16), (QVector<int>{0, 240, 0, 2, 0, 6, 224, 1, 0, 0xE9, 0, 4, 3, 1, 0, 10}));
    QCOMPARE(keyData.mid(20, 4), (QVector<int>{0, 0, 1, 8}));

    QCOMPARE(sent[2].data.mid(0, 24), colours);
    QCOMPARE(sent[3].feature, (QVector<int>{0, 6, 1, 4, 50, 3, 1, 0, 0}));

    // Family 1: 16000 is above 12800, so level 5 goes in 100-DPI steps with its bit set.
    QCOMPARE(sent[4].feature, (QVector<int>{0, 8, 127, 159, 255, 255, 1 << 5, 0, 0}));
    QCOMPARE(sent[5].feature, (QVector<int>{0, 7, 0, 7, 7, 15, 31, 63, 0}));
    QCOMPARE(sent[6].feature, (QVector<int>{0, 24, 159, 239, 255, 255, 0, 0, 0}));
    QCOMPARE(sent[7].feature, (QVector<int>{0, 23, 0, 0, 9, 19, 39, 79, 0}));
    QCOMPARE(sent[10].feature, (QVector<int>{0, 1, 2, 3, 3, 15, 0, 0, 231}));

    QCOMPARE(sent[13].feature.mid(0, 4), (QVector<int>{0, 5, 0, 3}));
    QCOMPARE(sent[13].data.mid(0, 6), (QVector<int>{0, 1, 1, 4, 0x80 | 50, 4}));
}

void TestApply::applySendsTheActiveProfile()
{
    Install in;
    QVERIFY(in.make());
    {
        QSettings p0(in.path(QStringLiteral("data/p0.bin")), QSettings::IniFormat);
        p0.setValue("mouse/reportRate", 2);
        QSettings p1(in.path(QStringLiteral("data/p1.bin")), QSettings::IniFormat);
        p1.setValue("mouse/reportRate", 8);
        QSettings index(in.path(QStringLiteral("data/profiles.ini")), QSettings::IniFormat);
        index.setValue("profiles/order", QStringList{QStringLiteral("0"), QStringLiteral("1")});
        index.setValue("profiles/active", 1);
        index.setValue("names/0", QStringLiteral("A"));
        index.setValue("names/1", QStringLiteral("B"));
    }
    const Run r = run(in, {QStringLiteral("apply")}, QStringLiteral("f0e1:7a02:ff00:1:ff01:1:32"));
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QStringList errors;
    const QList<Command> sent = commands(in.trace, &errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    int rates = 0;
    for (const Command &c : sent) {
        if (c.code() == 1) {
            ++rates;
            QCOMPARE(c.feature.value(2), 8);
        }
    }
    QCOMPARE(rates, 1);
}

void TestApply::applyWithoutMouse()
{
    Install in;
    QVERIFY(in.make());
    const Run r = run(in, {QStringLiteral("apply")}, QString());
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.contains(QStringLiteral("no supported mouse")));
    QStringList errors;
    QVERIFY(commands(in.trace, &errors).isEmpty());

    // A mouse beyond the supported families gets nothing either.
    const Run other = run(in, {QStringLiteral("apply")}, QStringLiteral("f0e1:7a99:ff00:1:ff01:1:32"));
    QCOMPARE(other.exitCode, 2);
    QVERIFY(commands(in.trace, &errors).isEmpty());
}

void TestApply::dpiLevelReadsTheMouse()
{
    Install in;
    QVERIFY(in.make());
    const QString fifo = in.path(QStringLiteral("control"));
    const int fd = pressDpiButtonAtStart(fifo, 3);
    QVERIFY(fd >= 0);

    const Run r = run(in, {QStringLiteral("dpi-level")}, QStringLiteral("f0e1:7a06:ff00:1:ff01:1:64"), fifo);
    ::close(fd);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.contains(QStringLiteral("DPI level 3")), qPrintable(r.out));

    const Run none = run(in, {QStringLiteral("dpi-level")}, QString());
    QCOMPARE(none.exitCode, 2);
}

// Without a running program, "profile use" reads the mouse's level first and sends the whole
// profile, the active one too (a fresh process cannot know what the mouse holds).
void TestApply::profileUseKeepsTheLevel()
{
    Install in;
    QVERIFY(in.make());
    const QString fifo = in.path(QStringLiteral("control"));
    const int fd = pressDpiButtonAtStart(fifo, 3);
    QVERIFY(fd >= 0);
    const Run list = run(in, {QStringLiteral("profile"), QStringLiteral("list")}, QString());
    const QString active = list.out.section(QLatin1Char('\n'), 0, 0).mid(2);
    QVERIFY2(!active.isEmpty(), qPrintable(list.out + list.err));

    const Run r = run(in, {QStringLiteral("profile"), QStringLiteral("use"), active},
                      QStringLiteral("f0e1:7a01:ff00:1:ff01:1:32"), fifo);
    ::close(fd);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QStringList errors;
    const QList<Command> sent = commands(in.trace, &errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QVector<int> codes;
    int level = -1;
    for (const Command &c : sent) {
        codes << c.code();
        if (c.code() == 7)
            level = c.feature.value(2);
    }
    // The level read, then the whole profile, then the read that waits for the wire.
    QCOMPARE(codes, (QVector<int>{135, 3, 8, 7, 24, 23, 1, 12, 6, 135}));
    QCOMPARE(level, 3);
}

// The program (this process) holds the store and changes it while mousecfg-cli imports into the
// same store: neither undoes the other.
void TestApply::importBesideARunningProgram()
{
    Install from;
    Install to;
    QVERIFY(from.make());
    QVERIFY(to.make());
    {
        QSettings m(from.path(QStringLiteral("data/macro.bin")), QSettings::IniFormat);
        m.setValue("macro/macroName", QStringLiteral("Imported"));
        m.setValue("action/0", QStringLiteral("3@#B_-1@#B_-0"));
        QSettings t(to.path(QStringLiteral("data/macro.bin")), QSettings::IniFormat);
        t.setValue("macro/macroName", QStringLiteral("Old"));
        t.setValue("action/0", QStringLiteral("1@#A_-1@#A_-0"));
    }
    const QString file = from.path(QStringLiteral("one.mc"));
    QCOMPARE(run(from, {QStringLiteral("export"), file, QStringLiteral("0")}, QString()).exitCode, 0);

    DataPaths::setRoot(to.dir.path());
    MacroData *program = MacroData::instance();
    program->load();
    program->setMacroNames({QStringLiteral("Renamed")});
    QVERIFY(program->save()); // the program's change is on disk before the import
    program->macroActions().append(QStringLiteral("2@#C_-1@#C_-0"));
    program->setMacroNames({QStringLiteral("Renamed"), QStringLiteral("Made in the program")});

    const Run i = run(to, {QStringLiteral("import"), file}, QString());
    QVERIFY2(i.exitCode == 0, qPrintable(i.out + i.err));
    QSignalSpy names(program, &MacroData::macroNameChanged);
    QVERIFY(program->save()); // as at exit, with its own unsaved macro

    const QStringList expected{QStringLiteral("Renamed"), QStringLiteral("Made in the program"),
                               QStringLiteral("Imported")};
    QCOMPARE(program->macroNames(), expected);
    QCOMPARE(program->macroActions().value(2), QStringLiteral("3@#B_-1@#B_-0"));
    QCOMPARE(names.size(), 1); // the editor and the pickers learn of the new macro
    // On disk as the next start reads it.
    program->load();
    QCOMPARE(program->macroNames(), expected);
    QCOMPARE(program->macroActions().value(1), QStringLiteral("2@#C_-1@#C_-0"));
    QCOMPARE(program->macroActions().value(2), QStringLiteral("3@#B_-1@#B_-0"));
    DataPaths::setRoot(QString());
}

void TestApply::exportImportRoundTrip()
{
    Install from;
    Install to;
    QVERIFY(from.make());
    QVERIFY(to.make());
    const QString first = QStringLiteral("1@#LCtrl_-1@#10_-2@#C_-1@#10_-2@#C_-0@#LCtrl_-0");
    const QString second = QStringLiteral("2@#MS-L_-1@#20_-2@#MS-L_-0");
    {
        QSettings m(from.path(QStringLiteral("data/macro.bin")), QSettings::IniFormat);
        m.setValue("macro/macroName", QStringLiteral("复制@#连点 鼠标"));
        m.setValue("action/0", first);
        m.setValue("action/1", second);
        QSettings t(to.path(QStringLiteral("data/macro.bin")), QSettings::IniFormat);
        t.setValue("macro/macroName", QStringLiteral("Old"));
        t.setValue("action/0", QStringLiteral("1@#A_-1@#A_-0"));
    }
    const QString file = from.path(QStringLiteral("宏 导出.mc"));
    const Run e = run(from, {QStringLiteral("export"), file, QStringLiteral("1")}, QString());
    QVERIFY2(e.exitCode == 0, qPrintable(e.out + e.err));
    QVERIFY(QFile::exists(file));

    const Run i = run(to, {QStringLiteral("import"), file}, QString());
    QVERIFY2(i.exitCode == 0, qPrintable(i.out + i.err));
    QVERIFY2(i.out.contains(QStringLiteral("1 macro(s) imported")), qPrintable(i.out));

    // The store as the program reads it at its next start.
    DataPaths::setRoot(to.dir.path());
    MacroData *store = MacroData::instance();
    store->load();
    QCOMPARE(store->macroNames(), (QStringList{QStringLiteral("Old"), QStringLiteral("连点 鼠标")}));
    QCOMPARE(store->macroActions().value(1), second);
    QCOMPARE(store->macroActions().value(0), QStringLiteral("1@#A_-1@#A_-0"));

    // Exported again from the receiving store, the macro comes back unchanged.
    const QString again = to.path(QStringLiteral("again.mc"));
    QCOMPARE(run(to, {QStringLiteral("export"), again, QStringLiteral("1")}, QString()).exitCode, 0);
    const QSettings back(again, QSettings::IniFormat);
    QCOMPARE(back.value("macro/macroName").toString(), QStringLiteral("连点 鼠标"));
    QCOMPARE(back.value("action/0").toString(), second);
    DataPaths::setRoot(QString());
}

void TestApply::relativeFileNamesFollowTheCaller()
{
    // The program moves to its own directory; a file the user names stays where the user is.
    Install from;
    Install to;
    QVERIFY(from.make());
    QVERIFY(to.make());
    {
        QSettings m(from.path(QStringLiteral("data/macro.bin")), QSettings::IniFormat);
        m.setValue("macro/macroName", QStringLiteral("Rel"));
        m.setValue("action/0", QStringLiteral("1@#A_-1@#A_-0"));
    }
    QTemporaryDir user;
    QVERIFY(user.isValid());
    const Run e = run(from, {QStringLiteral("export"), QStringLiteral("rel.mc"), QStringLiteral("0")},
                      QString(), QString(), user.path());
    QVERIFY2(e.exitCode == 0, qPrintable(e.out + e.err));
    QVERIFY(QFile::exists(user.filePath(QStringLiteral("rel.mc"))));
    QVERIFY(!QFile::exists(from.path(QStringLiteral("rel.mc"))));

    const Run i = run(to, {QStringLiteral("import"), QStringLiteral("rel.mc")}, QString(), QString(),
                      user.path());
    QVERIFY2(i.exitCode == 0, qPrintable(i.out + i.err));
    QVERIFY2(i.out.contains(QStringLiteral("1 macro(s) imported")), qPrintable(i.out));
}

void TestApply::macroFileErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("fileText"); // written to bad.mc first when not empty
    QTest::addColumn<QString>("message");
    QTest::newRow("import of a missing file") << QStringList{"import", "@/missing.mc"} << QString()
                                              << "does not exist";
    QTest::newRow("import of a file without macros") << QStringList{"import", "@/bad.mc"}
                                                     << "\x01\x02 not a settings file\n[x]\ny=1\n" << "no macro";
    QTest::newRow("import of a directory") << QStringList{"import", "@"} << QString() << "directory";
    QTest::newRow("import without a file") << QStringList{"import"} << QString() << "usage";
    QTest::newRow("export of a missing index") << QStringList{"export", "@/out.mc", "5"} << QString() << "no macro 5";
    QTest::newRow("export of a bad index") << QStringList{"export", "@/out.mc", "x"} << QString() << "no macro index";
    QTest::newRow("export onto a directory") << QStringList{"export", "@/data"} << QString()
                                             << "could not be written";
}

void TestApply::macroFileErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, fileText);
    QFETCH(QString, message);
    Install in;
    QVERIFY(in.make());
    {
        QSettings m(in.path(QStringLiteral("data/macro.bin")), QSettings::IniFormat);
        m.setValue("macro/macroName", QStringLiteral("One"));
        m.setValue("action/0", QStringLiteral("1@#A_-1@#A_-0"));
    }
    if (!fileText.isEmpty()) {
        QFile f(in.path(QStringLiteral("bad.mc")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(fileText.toUtf8());
    }
    for (QString &a : args)
        a.replace('@', in.dir.path());
    const Run r = run(in, args, QString());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(!QFile::exists(in.path(QStringLiteral("out.mc"))));

    // The store is untouched.
    const QSettings m(in.path(QStringLiteral("data/macro.bin")), QSettings::IniFormat);
    QCOMPARE(m.value("macro/macroName").toString(), QStringLiteral("One"));
}

QTEST_GUILESS_MAIN(TestApply)
#include "tst_apply.moc"
