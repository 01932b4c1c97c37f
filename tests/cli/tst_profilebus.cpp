// The running program's profiles on a private session bus: activation from the bus sends the
// change signal; mousecfg-cli goes through the running program while there is one, and works on
// the files when there is none. Runs itself under dbus-run-session.
#include "common/testroot.h"
#include "common/privatebus.h"
#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "profiles/profilebus.h"
#include "profiles/profileindex.h"
#include "profiles/profilemanager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

class Receiver : public QObject
{
    Q_OBJECT
public:
    QStringList names;
public slots:
    void changed(const QString &name) { names << name; }
};

struct Cli
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the command-line tool while this process keeps answering on the bus.
Cli runCli(const QString &exe, const QStringList &args)
{
    QProcess p;
    QSignalSpy finished(&p, &QProcess::finished);
    p.start(exe, args);
    Cli r;
    if (!finished.wait(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}
} // namespace

class TestProfileBus : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void busActivatesAndSignals();
    void cliGoesThroughRunningProgram();

private:
    QTemporaryDir dir;
    QString cli;
    ProfileBus *bus = nullptr;
    QString first;
};

void TestProfileBus::initTestCase()
{
    QVERIFY(onPrivateBus());
    QVERIFY(dir.isValid());
    QVERIFY(TestRoot::install(dir.path()));
    // The tool with the data beside it: the portable layout finds the same files as this process.
    cli = dir.filePath(QStringLiteral("mousecfg-cli-vmouse"));
    QVERIFY(QFile::copy(QStringLiteral(MOUSECFG_BIN_DIR "/mousecfg-cli-vmouse"), cli));
    QVERIFY(QFile::setPermissions(cli, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    MacroData::instance()->load();
    TestRoot::loadProfile();
    ProfileManager *pm = ProfileManager::instance();
    pm->load();
    first = pm->activeName();
    QVERIFY(!pm->create(QStringLiteral("Game"), true).isEmpty());
    bus = new ProfileBus(this);
    QVERIFY(bus->publish(QDBusConnection::sessionBus()));
}

void TestProfileBus::busActivatesAndSignals()
{
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
    QVERIFY(client.isConnected());
    Receiver receiver;
    QVERIFY(client.connect(QLatin1String(ProfileBus::Service), QLatin1String(ProfileBus::Path),
                           QLatin1String(ProfileBus::Interface), QStringLiteral("ActiveChanged"), &receiver,
                           SLOT(changed(QString))));

    // Asynchronous, so that this process (the server too) keeps answering meanwhile.
    const auto call = [&](const QString &method, const QVariantList &args) {
        QDBusMessage m = QDBusMessage::createMethodCall(QLatin1String(ProfileBus::Service), QLatin1String(ProfileBus::Path),
                                                        QLatin1String(ProfileBus::Interface), method);
        m.setArguments(args);
        QDBusPendingCallWatcher watcher(client.asyncCall(m));
        QSignalSpy done(&watcher, &QDBusPendingCallWatcher::finished);
        if (!watcher.isFinished())
            done.wait(10000);
        return watcher.reply();
    };
    QCOMPARE(call(QStringLiteral("List"), {}).arguments().value(0).toStringList(), (QStringList{first, QStringLiteral("Game")}));
    QCOMPARE(call(QStringLiteral("Activate"), {QStringLiteral("Game")}).arguments().value(0).toBool(), true);
    QTRY_COMPARE_WITH_TIMEOUT(receiver.names, QStringList{QStringLiteral("Game")}, 10000);
    QCOMPARE(ProfileManager::instance()->activeName(), QStringLiteral("Game"));
    // An unknown name is an error on the bus, and changes nothing.
    QCOMPARE(call(QStringLiteral("Activate"), {QStringLiteral("nobody")}).type(), QDBusMessage::ErrorMessage);
    QCOMPARE(call(QStringLiteral("Active"), {}).arguments().value(0).toString(), QStringLiteral("Game"));
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
}

void TestProfileBus::cliGoesThroughRunningProgram()
{
    ProfileManager *pm = ProfileManager::instance();
    QSignalSpy changed(pm, &ProfileManager::activeChanged);
    Cli r = runCli(cli, {QStringLiteral("profile"), QStringLiteral("use"), first});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(r.out.contains(QStringLiteral("running program")));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(pm->activeName(), first);

    r = runCli(cli, {QStringLiteral("profile"), QStringLiteral("list")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("* %1\n  Game\n").arg(first));

    // Export and import through the program: the copy joins its list under a free name.
    const QString shared = dir.filePath(QStringLiteral("shared.mcp"));
    r = runCli(cli, {QStringLiteral("profile"), QStringLiteral("export"), QStringLiteral("Game"), shared});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    r = runCli(cli, {QStringLiteral("profile"), QStringLiteral("import"), shared});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(pm->names(), (QStringList{first, QStringLiteral("Game"), QStringLiteral("Game 2")}));
    QCOMPARE(runCli(cli, {QStringLiteral("profile"), QStringLiteral("import"), dir.filePath(QStringLiteral("none.mcp"))}).exitCode, 1);

    // The program exits: its last save keeps what the tool asked for.
    MouseData *md = MouseData::instance();
    QVERIFY(md->save(md->profileNumber));
    ProfileIndex disk;
    QVERIFY(disk.load());
    QCOMPARE(disk.nameOf(disk.active), first);

    // A program that holds the files but cannot be reached: the tool leaves them alone.
    QVERIFY(pm->claim());
    QDBusConnection::sessionBus().unregisterService(QLatin1String(ProfileBus::Service));
    r = runCli(cli, {QStringLiteral("profile"), QStringLiteral("use"), QStringLiteral("Game")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(disk.load());
    QCOMPARE(disk.nameOf(disk.active), first);

    // No program at all: the tool works on the files.
    pm->release();
    r = runCli(cli, {QStringLiteral("profile"), QStringLiteral("use"), QStringLiteral("Game")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(!r.out.contains(QStringLiteral("running program")));
    QVERIFY(disk.load());
    QCOMPARE(disk.nameOf(disk.active), QStringLiteral("Game"));
    r = runCli(cli, {QStringLiteral("profile"), QStringLiteral("use"), QStringLiteral("nobody")});
    QCOMPARE(r.exitCode, 1);
}

int main(int argc, char *argv[])
{
    if (const int failed = runOnPrivateBus(argc, argv))
        return failed;
    QCoreApplication app(argc, argv);
    TestProfileBus test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_profilebus.moc"
