// The program started where it cannot show anything: without a display it says so and ends
// with status 1; --help, --version and a wrong option answer without one.
#include <QDir>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

#include "clirun.h"

class TestProgramStart : public QObject
{
    Q_OBJECT
private slots:
    void withoutADisplay_data();
    void withoutADisplay();

private:
    QTemporaryDir home;
};

void TestProgramStart::withoutADisplay_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    QTest::addColumn<bool>("onStdout");
    QTest::newRow("plain start") << QStringList() << 1 << QStringLiteral("no display found") << false;
    QTest::newRow("hidden start") << QStringList{QStringLiteral("--hidden")} << 1
                                  << QStringLiteral("no display found") << false;
    QTest::newRow("wrong option") << QStringList{QStringLiteral("--bogus")} << 2
                                  << QStringLiteral("unknown option \"--bogus\"") << false;
    QTest::newRow("wrong option after Qt's") << QStringList{QStringLiteral("-style"), QStringLiteral("fusion"),
                                                            QStringLiteral("--bogus")}
                                             << 2 << QStringLiteral("unknown option \"--bogus\"") << false;
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << QStringLiteral("usage: mousecfg") << true;
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0 << QStringLiteral("mousecfg ") << true;
}

void TestProgramStart::withoutADisplay()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, says);
    QFETCH(bool, onStdout);
    QVERIFY(home.isValid());
    QProcessEnvironment env;
    // Its own home and runtime directory, and no display of any kind.
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("DISPLAY"), QString());
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QString());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    const CliRun r = CliRun::start(QStringLiteral(MOUSECFG_BIN_DIR "/mousecfg"), args, env, QDir::tempPath());
    QVERIFY2(r.exitCode == status, qPrintable(QStringLiteral("status %1: %2").arg(r.exitCode).arg(r.out + r.err)));
    QVERIFY2((onStdout ? r.out : r.err).contains(says), qPrintable(r.out + r.err));
    QVERIFY2(!r.err.contains(QStringLiteral("Reinstalling")), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestProgramStart)
#include "tst_programstart.moc"
