#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>

#include "clirun.h"

// mousecfg-cli as a user runs it, linked to the virtual mouse, with the shipped catalogue.
class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void statusFindsShippedFamily();
    void statusWithoutMouse();
    void statusOfLaterFamily();
    void devicesMarksMatches();
    void usageErrors_data();
    void usageErrors();
    void help();

private:
    using Run = CliRun;
    Run run(const QStringList &args, const QString *devices = nullptr, const QString &cwd = QString());
};

TestCli::Run TestCli::run(const QStringList &args, const QString *devices, const QString &cwd)
{
    QProcessEnvironment extra;
    if (devices)
        extra.insert(QStringLiteral("VMOUSE_DEVICES"), *devices);
    // Started from elsewhere: the program must find data/ beside itself.
    return CliRun::start(QStringLiteral(MOUSECFG_BIN_DIR "/mousecfg-cli-vmouse"), args, extra,
                         cwd.isEmpty() ? QDir::tempPath() : cwd);
}

void TestCli::statusFindsShippedFamily()
{
    // No VMOUSE_DEVICES: the virtual mouse plugs entry 0 of the shipped catalogue.
    const Run r = run({QStringLiteral("status")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.contains(QStringLiteral("family 0")), qPrintable(r.out));
    QVERIFY(r.out.contains(QStringLiteral("f0e1:7a01")));
    QVERIFY(r.out.contains(QStringLiteral("report length 32")));
    // The device check's debug lines stay off unless asked for.
    QVERIFY2(!(r.out + r.err).contains(QStringLiteral("Device Connect")), qPrintable(r.out + r.err));
    QProcessEnvironment debug;
    debug.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("mousecfg.device.debug=true"));
    const Run asked = CliRun::start(QStringLiteral(MOUSECFG_BIN_DIR "/mousecfg-cli-vmouse"), {QStringLiteral("status")},
                                    debug, QDir::tempPath());
    QVERIFY(!asked.out.contains(QStringLiteral("Device Connect")));
    QVERIFY2(asked.err.contains(QStringLiteral("Device Connect")), qPrintable(asked.err));
}

void TestCli::statusWithoutMouse()
{
    const QString none;
    const Run r = run({QStringLiteral("status")}, &none);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.contains(QStringLiteral("no supported mouse")));

    // A mouse the catalogue does not know is no supported mouse either.
    const QString unknown = QStringLiteral("f0e1:7a99:ff00:1:ff01:1:32");
    QCOMPARE(run({QStringLiteral("status")}, &unknown).exitCode, 2);
}

void TestCli::statusOfLaterFamily()
{
    const QString sixth = QStringLiteral("f0e1:7a06:ff00:1:ff01:1:64");
    const Run r = run({QStringLiteral("status")}, &sixth);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.contains(QStringLiteral("family 5")), qPrintable(r.out));
    QVERIFY(r.out.contains(QStringLiteral("report length 64")));
}

void TestCli::devicesMarksMatches()
{
    const QString two = QStringLiteral("f0e1:7a03:ff00:1:ff01:1:32;1234:5678:ff00:1:ff01:1:32");
    const Run r = run({QStringLiteral("devices")}, &two);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    int known = 0;
    int listed = 0;
    for (const QString &l : lines) {
        if (!l.startsWith(QStringLiteral("vid=")))
            continue;
        ++listed;
        if (l.contains(QStringLiteral("vid=f0e1 pid=7a03 usagePage=ff00 usage=1 "))) {
            QVERIFY2(l.contains(QStringLiteral("entry 2 (family 2) command interface")), qPrintable(l));
            ++known;
        } else if (l.contains(QStringLiteral("vid=f0e1 pid=7a03 usagePage=ff01 usage=1 "))) {
            QVERIFY2(l.contains(QStringLiteral("entry 2 (family 2) event interface")), qPrintable(l));
            ++known;
        } else {
            QVERIFY2(l.contains(QStringLiteral("vid=1234 pid=5678")) && !l.contains(QStringLiteral("<-")),
                     qPrintable(l));
        }
    }
    QCOMPARE(listed, 4);
    QCOMPARE(known, 2);
    QVERIFY(r.out.contains(QStringLiteral("4 interface(s), 2 known")));
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no command") << QStringList();
    QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")};
    QTest::newRow("status with argument") << QStringList{QStringLiteral("status"), QStringLiteral("now")};
    QTest::newRow("devices with option") << QStringList{QStringLiteral("devices"), QStringLiteral("--all")};
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, args);
    const Run r = run(args);
    QCOMPARE(r.exitCode, 1);
    QVERIFY(!r.err.isEmpty());
}

void TestCli::help()
{
    const Run r = run({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("devices")) && r.out.contains(QStringLiteral("status")));
    const Run s = run({QStringLiteral("status"), QStringLiteral("--help")});
    QCOMPARE(s.exitCode, 0);
    QVERIFY(s.out.contains(QStringLiteral("mousecfg-cli status")));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
