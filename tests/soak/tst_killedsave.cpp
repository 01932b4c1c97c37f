// A profile save killed at random moments: the file on disk is always one whole profile,
// the one before the save or the one after it, never a mix or a torn file.
#include "device/datapaths.h"
#include "model/mousedata.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>

namespace {
const char *ChildDir = "MOUSECFG_KILLEDSAVE_DIR";

// Every value of profile generation g follows from g, so a mix of two generations shows.
void fillGeneration(MouseData *m, int g)
{
    for (int i = 0; i < 16; ++i) {
        KeyFunction &k = m->keyMatrix[i];
        k.kind = 0;
        k.param1 = uchar(g % 251);
        k.param2 = uchar(i);
        k.param3 = uchar((g + i) % 256);
    }
    m->reportRate = uchar(1 << (g % 4));
    m->dpiCount = uchar(g % 5 + 1);
    m->currentDpiCount = uchar(g % 5 + 1);
    m->xDpiList.clear();
    m->yDpiList.clear();
    for (int i = 0; i < 8; ++i) {
        m->xDpiList << (g % 100 + 1) * 100 + i;
        m->yDpiList << (g % 100 + 1) * 100 + i + 8;
    }
    m->lightValue = {g % 6, g % 5, (g + 1) % 5, g % 6};
    m->colorValue.clear();
    for (int i = 0; i < 24; ++i)
        m->colorValue << (g + i) % 256;
    m->isDefaultDPI = uchar(g % 2);
    m->isDefaultKey = uchar((g + 1) % 2);
    m->isXY = uchar(g % 2);
    m->runProgram = QStringLiteral("C:/games/run-%1.exe").arg(g);
    m->runHttps = QStringLiteral("https://example.com/%1").arg(g);
}

// The file parsed by hand (QSettings would hide a torn file behind its cache and its parser).
QMap<QString, QString> parseIni(const QByteArray &text, bool *ok)
{
    QMap<QString, QString> values;
    QString section;
    *ok = text.endsWith('\n');
    for (const QByteArray &raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            *ok = false;
            continue;
        }
        values.insert(section + QLatin1Char('/') + line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return values;
}

QString list(const QVariantList &l)
{
    QStringList parts;
    for (const QVariant &v : l)
        parts << v.toString();
    return parts.join(QStringLiteral(", "));
}

// Empty when the file is exactly generation g (read from its program path); else what differs.
QString checkWhole(const QByteArray &text, int *generation)
{
    bool ok = false;
    const QMap<QString, QString> v = parseIni(text, &ok);
    if (!ok)
        return QStringLiteral("torn or malformed file");
    const QString prog = v.value(QStringLiteral("mouse/runProgram"));
    const int g = prog.section(QLatin1Char('-'), 1).section(QLatin1Char('.'), 0, 0).toInt();
    *generation = g;
    MouseData *m = MouseData::instance();
    fillGeneration(m, g);
    QMap<QString, QString> want;
    for (int i = 0; i < 16; ++i) {
        const KeyFunction &k = m->keyMatrix.at(i);
        want.insert(QStringLiteral("mouseKeyMatrix/%1").arg(i),
                    QStringLiteral("%1, %2, %3, %4").arg(k.kind).arg(k.param1).arg(k.param2).arg(k.param3));
    }
    want.insert(QStringLiteral("mouse/reportRate"), QString::number(m->reportRate));
    want.insert(QStringLiteral("mouse/dpiCount"), QString::number(m->dpiCount));
    want.insert(QStringLiteral("mouse/currentDpiCount"), QString::number(m->currentDpiCount));
    want.insert(QStringLiteral("mouse/xDpiList"), list(m->xDpiList));
    want.insert(QStringLiteral("mouse/yDpiList"), list(m->yDpiList));
    want.insert(QStringLiteral("mouse/lightValue"), list(m->lightValue));
    want.insert(QStringLiteral("mouse/colorValue"), list(m->colorValue));
    want.insert(QStringLiteral("mouse/isDefaultDPI"), QString::number(m->isDefaultDPI));
    want.insert(QStringLiteral("mouse/isDefaultKey"), QString::number(m->isDefaultKey));
    want.insert(QStringLiteral("mouse/isXY"), QString::number(m->isXY));
    want.insert(QStringLiteral("mouse/runProgram"), m->runProgram);
    want.insert(QStringLiteral("mouse/runHttps"), m->runHttps);
    for (auto it = want.cbegin(); it != want.cend(); ++it) {
        if (v.value(it.key()) != it.value())
            return QStringLiteral("%1 is '%2', generation %3 has '%4'").arg(it.key(), v.value(it.key())).arg(g).arg(it.value());
    }
    return {};
}
} // namespace

class TestKilledSave : public QObject
{
    Q_OBJECT
private slots:
    void saveKilledAtRandomMoments();
    // Run by the test itself in a child process; skipped when run directly.
    void saveLoopChild();
};

void TestKilledSave::saveLoopChild()
{
    const QString root = qEnvironmentVariable(ChildDir);
    if (root.isEmpty())
        QSKIP("the saving child of saveKilledAtRandomMoments");
    DataPaths::setRoot(root);
    MouseData *m = MouseData::instance();
    m->deviceType = 0; // the DPI lists are written under family 0's keys
    int g = QFile::exists(DataPaths::profileFile(0)) ? 0 : 1;
    if (g == 0) {
        QFile f(DataPaths::profileFile(0));
        QVERIFY(f.open(QIODevice::ReadOnly));
        int found = 0;
        QCOMPARE(checkWhole(f.readAll(), &found), QString());
        g = found + 1;
    }
    std::fputs("saving\n", stdout);
    std::fflush(stdout);
    for (;; ++g) {
        fillGeneration(m, g);
        QVERIFY(m->save(0));
        // The parent counts finished saves, so a slow disk cannot leave it killing too early.
        std::fputs("saved\n", stdout);
        std::fflush(stdout);
    }
}

void TestKilledSave::saveKilledAtRandomMoments()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data"))));
    DataPaths::setRoot(dir.path());
    MouseData *m = MouseData::instance();
    m->deviceType = 0;
    fillGeneration(m, 1);
    QVERIFY(m->save(0));

    QRandomGenerator random(20240611);
    int lastGeneration = 1;
    int advanced = 0;
    for (int round = 0; round < 200; ++round) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(ChildDir), dir.path());
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("saveLoopChild")});
        QVERIFY(child.waitForStarted(10000));
        // The test framework writes its header first; the child says when it starts saving.
        QByteArray out;
        while (!out.contains("saving\n")) {
            QVERIFY2(child.waitForReadyRead(20000), qPrintable(child.readAllStandardError()));
            out += child.readAllStandardOutput();
        }
        // After zero to three finished saves, and anywhere inside the save that follows.
        const int saves = int(random.bounded(4));
        while (out.count("saved\n") < saves) {
            QVERIFY2(child.waitForReadyRead(20000), qPrintable(QStringLiteral("round %1: the child stopped saving").arg(round)));
            out += child.readAllStandardOutput();
        }
        QThread::usleep(random.bounded(8000));
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        QFile f(DataPaths::profileFile(0));
        QVERIFY2(f.open(QIODevice::ReadOnly), "the profile is gone");
        int g = 0;
        const QString wrong = checkWhole(f.readAll(), &g);
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(wrong)));
        // Never older than what was already on disk.
        QVERIFY2(g >= lastGeneration, qPrintable(QStringLiteral("generation %1 after %2").arg(g).arg(lastGeneration)));
        advanced += g > lastGeneration ? 1 : 0;
        lastGeneration = g;
    }
    qInfo("200 kills: the profile advanced in %d of them, to generation %d", advanced, lastGeneration);
    // Enough kills land after at least one save, or the test proved nothing.
    QVERIFY(advanced >= 100);
}

QTEST_GUILESS_MAIN(TestKilledSave)
#include "tst_killedsave.moc"
