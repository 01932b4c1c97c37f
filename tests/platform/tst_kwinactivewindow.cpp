// The Plasma-under-Wayland source against a stand-in for the compositor's scripting interface
// on a private session bus, in the layouts of Plasma 5 and 6: the script is loaded and run, and
// its reports of activated windows become the programs and application ids of those windows.
// (tests/desktops/run-kwin-test.sh runs the script in the real compositor.)
#include "platform/linux/kwinactivewindow.h"
#include "common/privatebus.h"
#include "profiles/profilebus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSet>
#include <QtTest>

#include <memory>

namespace {

// Like the compositor: a name already loaded is refused with -1.
class FakeScripting : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
public:
    QStringList calls;
    QString scriptText;
    QSet<QString> loaded;
public slots:
    Q_SCRIPTABLE int loadScript(const QString &path, const QString &plugin)
    {
        calls << QStringLiteral("load ") + plugin;
        if (loaded.contains(plugin))
            return -1;
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            scriptText = QString::fromUtf8(f.readAll());
        loaded.insert(plugin);
        return 7;
    }
    Q_SCRIPTABLE bool unloadScript(const QString &plugin)
    {
        calls << QStringLiteral("unload ") + plugin;
        return loaded.remove(plugin);
    }
};

class FakeScript : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Script")
public:
    int runs = 0;
public slots:
    Q_SCRIPTABLE void run() { ++runs; }
};

// The compositor's side of the bus, answering on this thread: a source that waited for an
// answer would never get one.
struct Compositor
{
    QDBusConnection bus;
    FakeScripting scripting;
    FakeScript script;

    Compositor(const QString &connection, const QString &scriptPath)
        : bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection))
    {
        bus.registerObject(QStringLiteral("/Scripting"), &scripting, QDBusConnection::ExportScriptableSlots);
        bus.registerObject(scriptPath, &script, QDBusConnection::ExportScriptableSlots);
    }
    ~Compositor()
    {
        bus.unregisterService(QStringLiteral("org.kde.KWin"));
        QDBusConnection::disconnectFromBus(bus.name());
    }
    bool appear() { return bus.registerService(QStringLiteral("org.kde.KWin")); }
    // What the script sends when a window is activated.
    bool activated(const QVariantList &args)
    {
        QDBusMessage report = QDBusMessage::createMethodCall(QLatin1String(ProfileBus::Service),
                                                             QLatin1String(KWinActiveWindow::Path),
                                                             QStringLiteral("org.mousecfg.ActiveWindow"),
                                                             QStringLiteral("WindowActivated"));
        report.setArguments(args);
        return bus.send(report);
    }
};

QString exeOf(const QProcess &p)
{
    return QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(p.processId()));
}
} // namespace

class TestKWinActiveWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void withoutCompositorTellsNothing();
    void scriptRunsInEitherLayout_data();
    void scriptRunsInEitherLayout();
    void reportsBecomeProgramsAndApplicationIds();
    void compositorStartedLaterOrAgainGetsTheScript();
};

void TestKWinActiveWindow::initTestCase()
{
    QVERIFY(QDBusConnection::sessionBus().registerService(QLatin1String(ProfileBus::Service)));
}

void TestKWinActiveWindow::withoutCompositorTellsNothing()
{
    KWinActiveWindow source;
    QVERIFY(!source.available());
}

void TestKWinActiveWindow::scriptRunsInEitherLayout_data()
{
    QTest::addColumn<QString>("scriptPath");
    QTest::addColumn<bool>("leftOver");
    QTest::newRow("Plasma 6") << QStringLiteral("/Scripting/Script7") << false;
    QTest::newRow("Plasma 5") << QStringLiteral("/7") << false;
    // A run that was killed left its script loaded: loading the name again is refused.
    QTest::newRow("Plasma 5, script of an earlier run loaded") << QStringLiteral("/7") << true;
}

void TestKWinActiveWindow::scriptRunsInEitherLayout()
{
    QFETCH(QString, scriptPath);
    QFETCH(bool, leftOver);
    Compositor kwin(QStringLiteral("kwin-layout"), scriptPath);
    if (leftOver)
        kwin.scripting.loaded.insert(QStringLiteral("mousecfg-active-window"));
    QVERIFY(kwin.appear());
    {
        KWinActiveWindow source;
        QSignalSpy running(&source, &KWinActiveWindow::scriptRunning);
        QVERIFY(running.wait(10000));
        QVERIFY(source.available());
        QCOMPARE(kwin.script.runs, 1);
        QVERIFY(kwin.scripting.calls.contains(QStringLiteral("load mousecfg-active-window")));
        // Both versions' signals, and the id beside the process.
        const QString &text = kwin.scripting.scriptText;
        QVERIFY(text.contains(QLatin1String(ProfileBus::Service)));
        QVERIFY(text.contains(QStringLiteral("workspace.windowActivated.connect")));
        QVERIFY(text.contains(QStringLiteral("workspace.clientActivated.connect")));
        QVERIFY(text.contains(QStringLiteral("'WindowActivated', pid, app")));
    }
    // Unloaded again when the program ends.
    QTRY_VERIFY_WITH_TIMEOUT(kwin.scripting.loaded.isEmpty(), 5000);
}

void TestKWinActiveWindow::reportsBecomeProgramsAndApplicationIds()
{
    Compositor kwin(QStringLiteral("kwin-reports"), QStringLiteral("/7"));
    QVERIFY(kwin.appear());
    KWinActiveWindow source;
    QSignalSpy running(&source, &KWinActiveWindow::scriptRunning);
    QVERIFY(running.wait(10000));

    QProcess other;
    other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(other.waitForStarted());
    QSignalSpy told(&source, &ActiveWindow::programChanged);
    const auto next = [&told] { return told.wait(5000) ? told.last() : QList<QVariant>(); };
    QVERIFY(kwin.activated({int(other.processId()), QStringLiteral("org.example.Sleeper")}));
    QCOMPARE(next(), (QVariantList{exeOf(other), QStringLiteral("org.example.Sleeper")}));
    QVERIFY(!exeOf(other).isEmpty());
    // An X11 window that names no process: its class alone.
    QVERIFY(kwin.activated({0, QStringLiteral("xmessage")}));
    QCOMPARE(next(), (QVariantList{QString(), QStringLiteral("xmessage")}));
    // The script of an earlier version sends the process only.
    QVERIFY(kwin.activated({int(other.processId())}));
    QCOMPARE(next(), (QVariantList{exeOf(other), QString()}));
    other.kill();
    other.waitForFinished();
}

void TestKWinActiveWindow::compositorStartedLaterOrAgainGetsTheScript()
{
    KWinActiveWindow source;
    QSignalSpy running(&source, &KWinActiveWindow::scriptRunning);
    QVERIFY(!source.available());
    {
        Compositor kwin(QStringLiteral("kwin-first"), QStringLiteral("/Scripting/Script7"));
        QVERIFY(kwin.appear());
        QVERIFY(running.wait(10000));
        QCOMPARE(kwin.script.runs, 1);
    }
    // Gone: nothing tells any more, until a new compositor runs the script again.
    QTRY_VERIFY_WITH_TIMEOUT(!source.available(), 5000);
    Compositor again(QStringLiteral("kwin-again"), QStringLiteral("/7"));
    QVERIFY(again.appear());
    QVERIFY(running.wait(10000));
    QVERIFY(source.available());
    QCOMPARE(again.script.runs, 1);
}

int main(int argc, char *argv[])
{
    if (const int failed = runOnPrivateBus(argc, argv))
        return failed;
    QCoreApplication app(argc, argv);
    TestKWinActiveWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_kwinactivewindow.moc"
