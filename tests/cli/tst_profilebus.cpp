// The running program's profiles on a private session bus: activation from the bus sends the
// change signal, a rename only the properties' change; refusals say what is wrong, briefly; mousecfg-cli goes through the running program while there is one, and works on
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
#include <QDBusMetaType>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

class PropertyReceiver : public QObject
{
    Q_OBJECT
public:
    QList<QVariantMap> changes;
public slots:
    void changed(const QString &, const QVariantMap &values, const QStringList &) { changes << values; }
};

struct Cli
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A call on a connection of its own, asynchronous, so that this process (the server too) keeps
// answering meanwhile.
QDBusMessage callOn(QDBusConnection client, const QString &interface, const QString &method, const QVariantList &args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(QLatin1String(ProfileBus::Service), QLatin1String(ProfileBus::Path),
                                                    interface, method);
    m.setArguments(args);
    QDBusPendingCallWatcher watcher(client.asyncCall(m));
    QSignalSpy done(&watcher, &QDBusPendingCallWatcher::finished);
    if (!watcher.isFinished())
        done.wait(10000);
    return watcher.reply();
}

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
    void busRefusesClearlyAndSignalsOnlyWhatHappened();
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

    const auto call = [&](const QString &method, const QVariantList &args) {
        return callOn(client, QLatin1String(ProfileBus::Interface), method, args);
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

void TestProfileBus::busRefusesClearlyAndSignalsOnlyWhatHappened()
{
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client2"));
    QVERIFY(client.isConnected());
    const QString iface = QLatin1String(ProfileBus::Interface);
    const auto call = [&](const QString &method, const QVariantList &args) { return callOn(client, iface, method, args); };
    ProfileManager *pm = ProfileManager::instance();
    const QString active = pm->activeName();

    // The properties introspection lists, read through the standard interface.
    const QDBusMessage all = callOn(client, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"), {iface});
    QVERIFY2(all.type() == QDBusMessage::ReplyMessage, qPrintable(all.errorMessage()));
    const QVariantMap props = qdbus_cast<QVariantMap>(all.arguments().value(0));
    QCOMPARE(props.value(QStringLiteral("ActiveProfile")).toString(), active);
    QCOMPARE(props.value(QStringLiteral("Profiles")).toStringList(), pm->names());

    // Relative, empty, inside the program's folder, over an existing file: refused, saying why.
    const QByteArray indexBytes = [] {
        QFile f(ProfileIndex::path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    for (const QString &target : {QStringLiteral("data/profiles.ini"), QStringLiteral("data/p1.bin"), QString(),
                                  QFileInfo(ProfileIndex::path()).absoluteFilePath()}) {
        const QDBusMessage r = call(QStringLiteral("ExportReplacing"), {active, target});
        QCOMPARE(r.type(), QDBusMessage::ErrorMessage);
        QVERIFY2(!r.errorMessage().startsWith(QLatin1Char('"')) && r.errorMessage().size() > 20, qPrintable(r.errorMessage()));
    }
    QFile index(ProfileIndex::path());
    QVERIFY(index.open(QIODevice::ReadOnly));
    QCOMPARE(index.readAll(), indexBytes);
    const QString out = dir.filePath(QStringLiteral("bus.mcp"));
    QCOMPARE(call(QStringLiteral("Export"), {active, out}).arguments().value(0).toBool(), true);
    const QDBusMessage again = call(QStringLiteral("Export"), {active, out});
    QCOMPARE(again.type(), QDBusMessage::ErrorMessage);
    QVERIFY2(again.errorMessage().contains(QStringLiteral("exists already")), qPrintable(again.errorMessage()));
    QCOMPARE(call(QStringLiteral("ExportReplacing"), {active, out}).arguments().value(0).toBool(), true);

    // A huge name comes back shortened.
    const QDBusMessage huge = call(QStringLiteral("Activate"), {QString(100000, QLatin1Char('n'))});
    QCOMPARE(huge.type(), QDBusMessage::ErrorMessage);
    QVERIFY(huge.errorMessage().size() < 300);

    // A rename switches nothing: no ActiveChanged, but the properties say what changed.
    Receiver switched;
    QVERIFY(client.connect(QLatin1String(ProfileBus::Service), QLatin1String(ProfileBus::Path), iface,
                           QStringLiteral("ActiveChanged"), &switched, SLOT(changed(QString))));
    QSignalSpy activeSignals(bus, &ProfileBus::ActiveChanged);
    PropertyReceiver watcher;
    QVERIFY(client.connect(QLatin1String(ProfileBus::Service), QLatin1String(ProfileBus::Path),
                           QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                           &watcher, SLOT(changed(QString,QVariantMap,QStringList))));
    QVERIFY(pm->rename(active, QStringLiteral("Renamed")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.changes.size(), 1, 10000);
    QCOMPARE(watcher.changes.first().value(QStringLiteral("ActiveProfile")).toString(), QStringLiteral("Renamed"));
    QVERIFY(watcher.changes.first().value(QStringLiteral("Profiles")).toStringList().contains(QStringLiteral("Renamed")));
    QVERIFY(pm->rename(QStringLiteral("Renamed"), active));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.changes.size(), 2, 10000);
    QVERIFY(switched.names.isEmpty());
    QCOMPARE(activeSignals.size(), 0);
    QDBusConnection::disconnectFromBus(QStringLiteral("client2"));
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
    r = runCli(cli, {QStringLiteral("profile"), QStringLiteral("export"), QStringLiteral("Game"), shared});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("exists already")), qPrintable(r.err));
    r = runCli(cli, {QStringLiteral("profile"), QStringLiteral("export"), QStringLiteral("Game"), shared, QStringLiteral("--replace")});
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
