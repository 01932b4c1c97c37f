// The program's window on the real hidapi-hidraw and libudev: the mouse's event reports (DPI
// button, program button) reach it, unplug and replug arrive as udev events at its monitor, and a node this user may
// not open gets the udev rule's advice. The window starts hidden, so what it says goes to the
// desktop's notification service, which the test keeps on a bus of its own.
#include "realinstall.h"
#include "sessionbus.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <cstring>

namespace {

QString englishText(int n)
{
    QSettings table(QStringLiteral(MOUSECFG_BIN_DIR "/i18n/English.ini"), QSettings::IniFormat);
    return table.value(QStringLiteral("main/%1").arg(n)).toString();
}

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The program as a user's session starts it, with what it logs kept.
class Window
{
public:
    Window(const RealInstall &install, const umock::MockBed &bed, const SessionBus &bus)
    {
        QProcessEnvironment env = install.environment(bed);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        // Its attach and detach lines, which are off unless asked for.
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("mousecfg.device.debug=true"));
        process.setProcessEnvironment(env);
        m_env = env;
        m_install = &install;
        process.setWorkingDirectory(install.path(QStringLiteral("home")));
        QObject::connect(&process, &QProcess::readyReadStandardError,
                         [this] { log += QString::fromLocal8Bit(process.readAllStandardError()); });
        process.start(install.program(QStringLiteral("mousecfg")), {QStringLiteral("--hidden")});
    }
    ~Window()
    {
        process.terminate();
        if (!process.waitForFinished(10000))
            process.kill();
        process.waitForFinished();
    }
    // mousecfg-cli beside it, on the same bus: "profile" commands go through the program.
    RealInstall::Run cli(const QStringList &args) const
    {
        return m_install->run(m_env, QStringLiteral("mousecfg-cli"), args);
    }
    // The program answers on the bus: its event loop runs, its notification service is known.
    QString activeProfile() const
    {
        const RealInstall::Run r = cli({QStringLiteral("profile"), QStringLiteral("list")});
        for (const QString &line : r.out.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("* ")))
                return line.mid(2);
        return QString();
    }
    // Switching profiles sends the new one: the active one is exported, imported again as a
    // new profile and switched to, all through the program.
    bool sendProfile() const
    {
        const QString name = activeProfile();
        const QString file = m_install->path(QStringLiteral("tmp/exported.profile"));
        QFile::remove(file);
        if (name.isEmpty() || cli({QStringLiteral("profile"), QStringLiteral("export"), name, file}).exitCode != 0)
            return false;
        const RealInstall::Run imported = cli({QStringLiteral("profile"), QStringLiteral("import"), file});
        const QString added = imported.out.section(QLatin1Char('"'), 1, 1);
        if (imported.exitCode != 0 || added.isEmpty())
            return false;
        const RealInstall::Run r = cli({QStringLiteral("profile"), QStringLiteral("use"), added});
        return r.exitCode == 0 && r.out.contains(QLatin1String("in the running program"));
    }
    int connects() const { return log.count(QStringLiteral("Device Connect")); }
    int disconnects() const { return log.count(QStringLiteral("Device DisConnect")); }
    // What a failed wait prints: whether the program still runs, and what it said.
    QString report() const
    {
        const bool running = process.state() == QProcess::Running;
        QString out = QStringLiteral("program %1 (exit %2, %3); its log:\n%4")
                          .arg(running ? QStringLiteral("running") : QStringLiteral("not running"))
                          .arg(process.exitCode())
                          .arg(process.errorString(), log);
        // A program that runs but says nothing is stuck somewhere: where, is the answer.
        if (running && !QStandardPaths::findExecutable(QStringLiteral("gdb")).isEmpty()) {
            QProcess gdb;
            // Not this process's environment: the testbed's preloaded library would serve it.
            QProcessEnvironment bare;
            bare.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
            gdb.setProcessEnvironment(bare);
            gdb.start(QStringLiteral("gdb"), {QStringLiteral("-p"), QString::number(process.processId()),
                                              QStringLiteral("-batch"), QStringLiteral("-iex"),
                                              QStringLiteral("set debuginfod enabled off"), QStringLiteral("-ex"),
                                              QStringLiteral("thread apply all bt 15")});
            if (gdb.waitForFinished(60000))
                out += QStringLiteral("\nits threads:\n") + QString::fromLocal8Bit(gdb.readAllStandardOutput());
            else
                gdb.kill();
        }
        return out;
    }

    QProcess process;
    QString log;

private:
    QProcessEnvironment m_env;
    const RealInstall *m_install = nullptr;
};

// The program takes a moment after start to learn that the notification service is there; a
// message before that is not shown. The DPI button is pressed until one arrives.
bool notificationsReach(const SessionBus &bus, umock::MockBed &bed, int mouse)
{
    for (int i = 0; i < 30; ++i) {
        bed.pressDpiButton(mouse, 0);
        if (QTest::qWaitFor([&] { return bus.notifications.has(QStringLiteral("DPI"), QStringLiteral("400")); }, 1000))
            return true;
    }
    return false;
}

bool keysSet(const vmouse_state &s)
{
    for (const auto &k : s.keys)
        for (unsigned char b : k)
            if (b)
                return true;
    return false;
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

    RealInstall install;
    QString ran;

private slots:
    void initTestCase()
    {
        QVERIFY(install.make());
        ran = install.path(QStringLiteral("ran.txt"));
        QDir().mkpath(install.path(QStringLiteral("fakebin")));
        const QString launcher = install.path(QStringLiteral("fakebin/launched"));
        // The program a button starts: it notes its arguments.
        QFile f(launcher);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\n").arg(ran).toUtf8());
        f.close();
        f.setPermissions(f.permissions() | QFile::ExeOwner);
        const QString dir = install.configDir() + QStringLiteral("/mousecfg");
        QDir().mkpath(dir);
        QSettings p(dir + QStringLiteral("/p0.bin"), QSettings::IniFormat);
        p.setValue("mouse/isDefaultDPI", 0);
        QVariantList levels;
        for (int v : {400, 800, 1600, 3200, 6400, 12000, 200, 200})
            levels << v;
        for (const char *suffix : {"", "_1", "_2", "_3", "_4", "_5", "_6"}) {
            p.setValue(QStringLiteral("mouse/xDpiList%1").arg(QLatin1String(suffix)), levels);
            p.setValue(QStringLiteral("mouse/yDpiList%1").arg(QLatin1String(suffix)), levels);
        }
        p.setValue("mouse/runProgram", launcher);
    }

    void eventReportsReachTheWindow()
    {
        SessionBus bus;
        QVERIFY(bus.start());
        umock::MockBed bed;
        const int mouse = bed.plug(RealInstall::family(0));
        Window window(install, bed, bus);
        QTRY_VERIFY2_WITH_TIMEOUT(window.connects() == 1, qPrintable(window.report()), 20000);
        QVERIFY(notificationsReach(bus, bed, mouse));
        bus.notifications.shown.clear();

        bed.pressDpiButton(mouse, 2);
        QTRY_VERIFY_WITH_TIMEOUT(bus.notifications.has(QStringLiteral("DPI"), QStringLiteral("1600")), 20000);
        bed.pushEvent(mouse, 4, 1, 2, 1);
        QTRY_COMPARE_WITH_TIMEOUT(readAll(ran), QStringLiteral("--kiosk\n"), 20000);
        // A report the program does not know changes nothing; the next one still arrives.
        bed.pushEvent(mouse, 4, 2, 0, 1);
        bed.pressDpiButton(mouse, 4);
        QTRY_VERIFY_WITH_TIMEOUT(bus.notifications.has(QStringLiteral("DPI"), QStringLiteral("6400")), 20000);
        QCOMPARE(bus.notifications.shown.size(), 2);
        QCOMPARE(readAll(ran), QStringLiteral("--kiosk\n"));
        QVERIFY2(window.process.state() == QProcess::Running, qPrintable(window.log));
    }

    void unplugAndReplugReachTheMonitor()
    {
        SessionBus bus;
        QVERIFY(bus.start());
        umock::MockBed bed;
        const int first = bed.plug(RealInstall::family(0));
        Window window(install, bed, bus);
        QTRY_VERIFY2_WITH_TIMEOUT(window.connects() == 1, qPrintable(window.report()), 20000);
        QVERIFY(notificationsReach(bus, bed, first));
        QVERIFY(window.sendProfile());
        vmouse_state before{};
        QTRY_VERIFY_WITH_TIMEOUT(bed.state(first, &before) && keysSet(before), 20000);

        bed.unplug(first);
        QTRY_VERIFY2_WITH_TIMEOUT(window.disconnects() == 1, qPrintable(window.report()), 20000);
        // Back on another port: new nodes, a family with 64-byte reports.
        const int second = bed.plug(RealInstall::family(5));
        QVERIFY(bed.nodes(second) != bed.nodes(first));
        QTRY_VERIFY2_WITH_TIMEOUT(window.connects() == 2, qPrintable(window.report()), 20000);
        // The event thread reads the new node.
        bed.pressDpiButton(second, 3);
        QTRY_VERIFY_WITH_TIMEOUT(bus.notifications.has(QStringLiteral("DPI"), QStringLiteral("3200")), 20000);
        // The profile reaches the new mouse as it reached the first.
        QVERIFY(window.sendProfile());
        vmouse_state after{};
        QTRY_VERIFY_WITH_TIMEOUT(bed.state(second, &after) && std::memcmp(after.keys, before.keys, sizeof after.keys) == 0,
                                 20000);
        QVERIFY(bed.state(first, &before));
        QCOMPARE(before.errors, 0u);
        QCOMPARE(after.errors, 0u);
        QVERIFY2(window.process.state() == QProcess::Running, qPrintable(window.log));
    }

    void refusedOpenGivesTheRuleAdvice()
    {
        SessionBus bus;
        QVERIFY(bus.start());
        umock::MockBed bed;
        const int mouse = bed.plug(RealInstall::family(0));
        bed.denyOpen(bed.commandNode(mouse));
        Window window(install, bed, bus);
        QTRY_VERIFY2_WITH_TIMEOUT(window.connects() == 1, qPrintable(window.report()), 20000);
        const QString advice = englishText(156);
        QVERIFY(!advice.isEmpty());
        QVERIFY(notificationsReach(bus, bed, mouse));
        // Told by the device check that found the mouse; a change that cannot reach it says it
        // again where the check's word came before the notification service was known.
        const auto told = [&bus, &advice]() {
            for (const auto &n : bus.notifications.shown)
                if (n.body == advice)
                    return true;
            return false;
        };
        if (!told())
            QVERIFY(window.sendProfile());
        QTRY_VERIFY_WITH_TIMEOUT(told(), 20000);
        // The event interface is the user's: its reports still arrive.
        bed.pressDpiButton(mouse, 1);
        QTRY_VERIFY_WITH_TIMEOUT(bus.notifications.has(QStringLiteral("DPI"), QStringLiteral("800")), 20000);
        vmouse_state s{};
        QVERIFY(bed.state(mouse, &s));
        QCOMPARE(s.commands, 0u);
    }
};

REALHID_TEST_MAIN(TestWindow)
#include "tst_window.moc"
