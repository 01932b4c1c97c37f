// The Plasma-under-Wayland source against a stand-in for the compositor's scripting interface
// on a private session bus: the script is loaded and run, and its reports of activated windows
// become the programs of those processes. (The script itself needs a real compositor.)
#include "platform/linux/kwinactivewindow.h"
#include "common/privatebus.h"
#include "profiles/profilebus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <unistd.h>

namespace {

class FakeScripting : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
public:
    QStringList calls;
    QString scriptText;
public slots:
    Q_SCRIPTABLE int loadScript(const QString &path, const QString &plugin)
    {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            scriptText = QString::fromUtf8(f.readAll());
        calls << QStringLiteral("load ") + plugin;
        return 7;
    }
    Q_SCRIPTABLE bool unloadScript(const QString &plugin)
    {
        calls << QStringLiteral("unload ") + plugin;
        return false;
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
} // namespace

class TestKWinActiveWindow : public QObject
{
    Q_OBJECT
private slots:
    void withoutCompositorTellsNothing();
    void scriptReportsBecomePrograms();
};

void TestKWinActiveWindow::withoutCompositorTellsNothing()
{
    KWinActiveWindow source;
    QVERIFY(!source.available());
}

void TestKWinActiveWindow::scriptReportsBecomePrograms()
{
    // The stand-in answers from its own thread: the source's calls block until answered.
    QThread compositor;
    compositor.start();
    FakeScripting scripting;
    FakeScript script;
    scripting.moveToThread(&compositor);
    script.moveToThread(&compositor);
    QDBusConnection kwin = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("kwin"));
    QVERIFY(kwin.registerObject(QStringLiteral("/Scripting"), &scripting, QDBusConnection::ExportScriptableSlots));
    QVERIFY(kwin.registerObject(QStringLiteral("/Scripting/Script7"), &script, QDBusConnection::ExportScriptableSlots));
    QVERIFY(kwin.registerService(QStringLiteral("org.kde.KWin")));
    QVERIFY(QDBusConnection::sessionBus().registerService(QLatin1String(ProfileBus::Service)));

    {
        KWinActiveWindow source;
        QVERIFY(source.available());
        QCOMPARE(script.runs, 1);
        QVERIFY(scripting.calls.contains(QStringLiteral("load mousecfg-active-window")));
        QVERIFY(scripting.scriptText.contains(QStringLiteral("'WindowActivated', w.pid")));
        QVERIFY(scripting.scriptText.contains(QLatin1String(ProfileBus::Service)));

        // What the script sends when a window is activated.
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(other.waitForStarted());
        QSignalSpy told(&source, &ActiveWindow::programChanged);
        QDBusMessage report = QDBusMessage::createMethodCall(QLatin1String(ProfileBus::Service),
                                                             QLatin1String(KWinActiveWindow::Path),
                                                             QStringLiteral("org.mousecfg.ActiveWindow"),
                                                             QStringLiteral("WindowActivated"));
        report.setArguments({int(other.processId())});
        QVERIFY(kwin.send(report));
        QVERIFY(told.wait(5000));
        QCOMPARE(told.at(0).at(0).toString(),
                 QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(other.processId())));
        QVERIFY(!told.at(0).at(0).toString().isEmpty());
        other.kill();
        other.waitForFinished();
    }
    // Unloaded again when the program ends.
    QTRY_VERIFY_WITH_TIMEOUT(scripting.calls.count(QStringLiteral("unload mousecfg-active-window")) == 2, 5000);
    compositor.quit();
    compositor.wait();
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
