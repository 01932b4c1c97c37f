#include "device/deviceentry.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "clirun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// How a normal user gets at the mice: the udev rule mousecfg-cli writes from a catalogue, and
// the hint of "mousecfg-cli devices" when a mouse is there but cannot be opened.
class TestDeviceAccess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void ruleForShippedCatalogue();
    void ruleFromOwnCatalogue();
    void ruleToFile();
    void ruleRefusals_data();
    void ruleRefusals();
    void devicesHintsAtTheRuleWhenOpenFails();
    void devicesGivesNoHintWhenOpenWorks();

private:
    using Run = CliRun;
    Run run(const QStringList &args, const QProcessEnvironment &extra = QProcessEnvironment());
    QString catalogue(const QByteArray &text);
    static QStringList ruleLines(const QString &text);

    QTemporaryDir tmp;
    int files = 0;
};

void TestDeviceAccess::initTestCase()
{
    QVERIFY(tmp.isValid());
}

TestDeviceAccess::Run TestDeviceAccess::run(const QStringList &args, const QProcessEnvironment &extra)
{
    return CliRun::start(QStringLiteral(MOUSECFG_BIN_DIR "/mousecfg-cli-vmouse"), args, extra,
                         tmp.path());
}

QString TestDeviceAccess::catalogue(const QByteArray &text)
{
    const QString path = tmp.filePath(QStringLiteral("catalogue%1.bin").arg(++files));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return QString();
    return path;
}

QStringList TestDeviceAccess::ruleLines(const QString &text)
{
    QStringList rules;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!line.startsWith(QLatin1Char('#')))
            rules << line;
    }
    return rules;
}

void TestDeviceAccess::ruleForShippedCatalogue()
{
    const Run r = run({QStringLiteral("udev-rule")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));

    // Every usable family of the shipped catalogue, read independently of the program.
    const QList<DeviceEntry> shipped =
        DeviceEntry::loadCatalogue(QStringLiteral(MOUSECFG_BIN_DIR "/data/apConfig.bin"));
    QVERIFY(!shipped.isEmpty());
    QSet<QString> expected;
    for (int i = 0; i < shipped.size() && i <= 6; ++i)
        expected << QStringLiteral("%1:%2").arg(shipped.at(i).vid, 4, 16, QLatin1Char('0'))
                        .arg(shipped.at(i).pid, 4, 16, QLatin1Char('0'));

    const QRegularExpression form(QStringLiteral(
        "^SUBSYSTEM==\"hidraw\", ATTRS\\{idVendor\\}==\"([0-9a-f]{4})\", ATTRS\\{idProduct\\}==\"([0-9a-f]{4})\", TAG\\+=\"uaccess\"$"));
    QSet<QString> granted;
    for (const QString &line : ruleLines(r.out)) {
        const QRegularExpressionMatch m = form.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        granted << m.captured(1) + QLatin1Char(':') + m.captured(2);
    }
    QCOMPARE(granted, expected);
    QCOMPARE(ruleLines(r.out).size(), expected.size());
    QVERIFY(r.out.contains(QStringLiteral("udevadm control --reload-rules && udevadm trigger")));
}

void TestDeviceAccess::ruleFromOwnCatalogue()
{
    // Upper-case and short hex, a repeated mouse, an entry without IDs and one past the families.
    QByteArray text = "[common]\ndeviceCount=9\n"
                      "[0]\nvid=F0E1\npid=7A0B\n"
                      "[1]\nvid=1a\npid=2\n"
                      "[2]\nvid=f0e1\npid=7a0b\n"
                      "[3]\nvid=zz\npid=0\n";
    for (int i = 4; i <= 6; ++i)
        text += QStringLiteral("[%1]\nvid=abcd\npid=%2\n").arg(i).arg(i).toLatin1();
    text += "[7]\nvid=dead\npid=beef\n[8]\n";
    const QString file = catalogue(text);
    const Run r = run({QStringLiteral("udev-rule"), file});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QStringList rules = ruleLines(r.out);
    const QString tail = QStringLiteral("\", TAG+=\"uaccess\"");
    QCOMPARE(rules, QStringList({
        QStringLiteral("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"f0e1\", ATTRS{idProduct}==\"7a0b") + tail,
        QStringLiteral("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"001a\", ATTRS{idProduct}==\"0002") + tail,
        QStringLiteral("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"abcd\", ATTRS{idProduct}==\"0004") + tail,
        QStringLiteral("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"abcd\", ATTRS{idProduct}==\"0005") + tail,
        QStringLiteral("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"abcd\", ATTRS{idProduct}==\"0006") + tail}));
    // What was left out is said, so that a user who added a mouse sees why it is missing.
    QVERIFY2(r.out.contains(QStringLiteral("# entry 3 names no vendor or product ID")), qPrintable(r.out));
    QVERIFY(r.out.contains(QStringLiteral("# entry 7 (dead:beef) is beyond the supported families")));
    QVERIFY(r.out.contains(QStringLiteral("# entry 8 names no vendor or product ID")));
    QVERIFY(!r.out.contains(tmp.path())); // the header names the file only: builds are reproducible

    // A file name with control characters cannot add a line of its own to the rule.
    const QString hostile = tmp.filePath(QStringLiteral("x\nKERNEL==\"*\", MODE=\"0666\"\r\u2028.bin"));
    QVERIFY(QFile::copy(file, hostile));
    const Run h = run({QStringLiteral("udev-rule"), hostile});
    QVERIFY2(h.exitCode == 0, qPrintable(h.err));
    QCOMPARE(ruleLines(h.out), rules);
    QVERIFY(!h.out.contains(QLatin1Char('\r')));
    QVERIFY(!h.out.contains(QChar(0x2028)));
    QVERIFY2(h.out.contains(QStringLiteral("from x\\x0aKERNEL")), qPrintable(h.out));
}

void TestDeviceAccess::ruleToFile()
{
    const QString file = catalogue("[common]\ndeviceCount=1\n[0]\nvid=f0e1\npid=7a01\n");
    const Run printed = run({QStringLiteral("udev-rule"), file});
    QCOMPARE(printed.exitCode, 0);

    const QString target = tmp.filePath(QStringLiteral("70-mousecfg.rules"));
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("stale content that is longer than the rule itself, several times over ....\n"
              "stale content that is longer than the rule itself, several times over ....\n"
              "stale content that is longer than the rule itself, several times over ....\n"
              "stale content that is longer than the rule itself, several times over ....\n"
              "stale content that is longer than the rule itself, several times over ....\n"
              "stale content that is longer than the rule itself, several times over ....\n");
    old.close();
    const Run written = run({QStringLiteral("udev-rule"), QStringLiteral("--output"), target, file});
    QVERIFY2(written.exitCode == 0, qPrintable(written.err));
    QVERIFY(written.out.isEmpty());
    QFile rule(target);
    QVERIFY(rule.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(rule.readAll()), printed.out);
}

void TestDeviceAccess::ruleRefusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString none = catalogue("[common]\ndeviceCount=2\n[0]\nvid=0\npid=0\n");
    const QString late = catalogue("[common]\ndeviceCount=8\n[7]\nvid=f0e1\npid=7a08\n");
    const QString good = catalogue("[common]\ndeviceCount=1\n[0]\nvid=f0e1\npid=7a01\n");
    QTest::newRow("missing file") << QStringList{QStringLiteral("udev-rule"), tmp.filePath(QStringLiteral("absent.bin"))}
                                  << QStringLiteral("no catalogue");
    QTest::newRow("directory") << QStringList{QStringLiteral("udev-rule"), tmp.path()} << QStringLiteral("no catalogue");
    QTest::newRow("no mouse") << QStringList{QStringLiteral("udev-rule"), none} << QStringLiteral("names no supported mouse");
    QTest::newRow("only late entries") << QStringList{QStringLiteral("udev-rule"), late}
                                       << QStringLiteral("names no supported mouse");
    QTest::newRow("output without file") << QStringList{QStringLiteral("udev-rule"), good, QStringLiteral("--output")}
                                         << QStringLiteral("--output needs a file");
    QTest::newRow("two catalogues") << QStringList{QStringLiteral("udev-rule"), good, good} << QStringLiteral("usage:");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("udev-rule"), QStringLiteral("--all")}
                                    << QStringLiteral("usage:");
    QTest::newRow("unwritable output")
        << QStringList{QStringLiteral("udev-rule"), QStringLiteral("--output"),
                       tmp.filePath(QStringLiteral("no/such/dir/70-mousecfg.rules")), good}
        << QStringLiteral("could not be written");
}

void TestDeviceAccess::ruleRefusals()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Run r = run(args);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(ruleLines(r.out).isEmpty());
}

void TestDeviceAccess::devicesHintsAtTheRuleWhenOpenFails()
{
    // The fault waits in the control FIFO before the program starts; the virtual mouse takes it
    // on its own thread, so a run that started before it took hold is tried again.
    const QString fifo = tmp.filePath(QStringLiteral("control"));
    const QString trace = tmp.filePath(QStringLiteral("trace"));
    QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    bool faulted = false;
    Run r;
    for (int attempt = 0; attempt < 10 && !faulted; ++attempt) {
        const int fd = ::open(fifo.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK);
        QVERIFY(fd >= 0);
        const QByteArray line("fail open 100\n");
        QCOMPARE(::write(fd, line.constData(), size_t(line.size())), ssize_t(line.size()));
        QFile::remove(trace);
        QProcessEnvironment env;
        env.insert(QStringLiteral("VMOUSE_DEVICES"),
                   QStringLiteral("f0e1:7a02:ff00:1:ff01:1:32;1234:5678:ff00:1:ff01:1:32"));
        env.insert(QStringLiteral("VMOUSE_CONTROL"), fifo);
        env.insert(QStringLiteral("VMOUSE_TRACE"), trace);
        r = run({QStringLiteral("devices")}, env);
        ::close(fd);
        QFile t(trace);
        const QByteArray log = t.open(QIODevice::ReadOnly) ? t.readAll() : QByteArray();
        // Both interfaces refused, none opened before the fault was in place.
        faulted = log.count("failed by request") == 2 && !log.contains(" open vmouse/");
    }
    QVERIFY2(faulted, "the open fault never took hold");
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));

    int blocked = 0;
    for (const QString &l : r.out.split(QLatin1Char('\n'))) {
        if (l.contains(QStringLiteral("pid=7a02"))) {
            QVERIFY2(l.contains(QStringLiteral("cannot be opened")), qPrintable(l));
            ++blocked;
        } else {
            // Only interfaces of a supported mouse are tried.
            QVERIFY2(!l.contains(QStringLiteral("cannot be opened")), qPrintable(l));
        }
    }
    QCOMPARE(blocked, 2);
    QVERIFY2(r.err.contains(QStringLiteral("2 interface(s) of a supported mouse cannot be opened")), qPrintable(r.err));
    QVERIFY(r.err.contains(QStringLiteral("70-mousecfg.rules")));
    QVERIFY(r.err.contains(QStringLiteral("mousecfg-cli udev-rule")));
    QVERIFY(r.err.contains(QStringLiteral("udevadm control --reload-rules && sudo udevadm trigger")));
}

void TestDeviceAccess::devicesGivesNoHintWhenOpenWorks()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("VMOUSE_DEVICES"), QStringLiteral("f0e1:7a02:ff00:1:ff01:1:32"));
    const Run r = run({QStringLiteral("devices")}, env);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(QStringLiteral("entry 1 (family 1) command interface")), qPrintable(r.out));
    QVERIFY(!r.out.contains(QStringLiteral("cannot be opened")));
    QVERIFY2(!r.err.contains(QStringLiteral("udev")), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestDeviceAccess)
#include "tst_deviceaccess.moc"
