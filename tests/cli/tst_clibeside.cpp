// mousecfg-cli beside a running program (this process): without the session bus interface both
// take the mouse's lock, so 50 runs of apply beside a program that keeps switching profiles never
// split a command from its data on the wire (one shared trace of both processes' virtual mice);
// with it, apply and dpi-level go through the program and the tool touches no mouse itself.
// Runs itself under dbus-run-session.
#include "common/devicecheck.h"
#include "common/privatebus.h"
#include "common/testroot.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "profiles/devicebus.h"
#include "profiles/profilebus.h"
#include "profiles/profilemanager.h"
#include "profiles/profilesync.h"
#include "sim/vmouse.h"

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

namespace {
// Family 0 as the tool's virtual mouse plugs it: the same interface path as this process's mouse.
const QString Family0 = QStringLiteral("f0e1:7a01:ff00:1:ff01:1:32");
constexpr int ReportLength = 32;

QStringList traceLines(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Lines of the command interface where a command's data reports do not follow it directly.
QStringList splitTransactions(const QStringList &lines, int *commands)
{
    QStringList faults;
    int pending = 0;
    *commands = 0;
    for (const QString &line : lines) {
        const QStringList f = line.section(QLatin1Char('#'), 0, 0).simplified().split(QLatin1Char(' '));
        if (f.size() < 3 || !f.at(2).endsWith(QLatin1String("/command")))
            continue;
        const QString &op = f.at(1);
        if (op == QLatin1String("feature")) {
            if (pending > 0)
                faults << line;
            const int code = f.value(4).toInt(nullptr, 16);
            const int data = code == 3 || code == 12 ? 64 : code == 5 ? 192 : 0;
            pending = data / ReportLength;
            ++*commands;
        } else if (op == QLatin1String("output")) {
            if (pending == 0)
                faults << line;
            else
                --pending;
        } else if (op == QLatin1String("get-feature") && pending > 0) {
            faults << line;
        }
    }
    return faults;
}

} // namespace

class TestCliBeside : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void applyBesideSwitchingProgram();
    void throughTheRunningProgram();

private:
    std::unique_ptr<QProcess> startCli(const QStringList &args, const QString &trace);
    QTemporaryDir dir;
    QTemporaryDir runtime;
    QString cli;
    int mouse = -1;
};

void TestCliBeside::initTestCase()
{
    QVERIFY(onPrivateBus());
    QVERIFY(dir.isValid() && runtime.isValid());
    // The locks of this test's mice, shared with the tools it starts.
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QVERIFY(TestRoot::install(dir.path()));
    cli = dir.filePath(QStringLiteral("mousecfg-cli-vmouse"));
    QVERIFY(QFile::copy(QStringLiteral(MOUSECFG_BIN_DIR "/mousecfg-cli-vmouse"), cli));
    QVERIFY(QFile::setPermissions(cli, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    vmouse_reset();
    mouse = TestRoot::plugFamily(0);
    Controller::instance();
    ProfileSync::instance();
    MacroData::instance()->load();
    TestRoot::loadProfile();
    ProfileManager *pm = ProfileManager::instance();
    pm->load();
    QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
    emit Controller::instance()->check();
    QVERIFY(checked.wait(5000));
    QCOMPARE(checked.at(0).at(0).toInt(), 0);

    // Two profiles that differ in keys, rate and lighting: every switch sends commands with data.
    MouseData *md = MouseData::instance();
    md->isDefaultKey = 1;
    md->keyMatrix[2] = KeyFunction{0, 0, 0x04, 0, QString()};
    md->reportRate = 1;
    md->lightValue = {1, 4, 2, 0};
    QVERIFY(md->saveActive());
    QString error;
    const QString other = pm->create(QStringLiteral("Other"), false, &error);
    QVERIFY2(!other.isEmpty(), qPrintable(error));
    QVERIFY(pm->activate(other, &error));
    md->keyMatrix[2] = KeyFunction{0, 0, 0x05, 0, QString()};
    md->reportRate = 8;
    md->lightValue = {2, 2, 2, 3};
    QVERIFY(md->saveActive());
}

void TestCliBeside::cleanupTestCase()
{
    Controller::shutdown();
    vmouse_reset();
}

std::unique_ptr<QProcess> TestCliBeside::startCli(const QStringList &args, const QString &trace)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("VMOUSE_CONTROL"));
    env.insert(QStringLiteral("VMOUSE_DEVICES"), Family0);
    env.insert(QStringLiteral("VMOUSE_TRACE"), trace);
    p->setProcessEnvironment(env);
    p->start(cli, args);
    return p;
}

void TestCliBeside::applyBesideSwitchingProgram()
{
    constexpr int Runs = 50;
    constexpr int AtOnce = 5;
    const QString trace = dir.filePath(QStringLiteral("shared-trace.txt"));
    // From a quiet wire: the trace must not begin inside the set-up's last command.
    QVERIFY(mouseDrained());
    QVERIFY(vmouse_trace_to_file(trace.toLocal8Bit().constData()) == 0);

    ProfileManager *pm = ProfileManager::instance();
    const QStringList names = pm->names();
    // The next switch once the mouse has taken the last one (its read answered), as a user
    // clicking through profiles would; the queue never grows beyond one switch.
    int switches = 0;
    bool switching = true;
    QTimer switcher;
    switcher.setSingleShot(true);
    switcher.setInterval(20);
    connect(&switcher, &QTimer::timeout, this, [&] {
        pm->activate(names.at(++switches % 2));
        if (Ic *ic = Controller::instance()->currentIc())
            ic->readCurrentDpiLevel();
    });
    const QMetaObject::Connection next = connect(MouseData::instance(), &MouseData::dpiKeyPressed, this, [&] {
        if (switching)
            switcher.start();
    });
    // Under load a read may wait out the lock; the user would click again.
    const QMetaObject::Connection again = connect(Controller::instance(), &Controller::transferFailed, this, [&] {
        if (switching)
            switcher.start();
    });
    switcher.start();

    std::vector<std::unique_ptr<QProcess>> running;
    QStringList failures;
    int started = 0;
    int finished = 0;
    QEventLoop loop;
    std::function<void()> startNext = [&] {
        if (started == Runs)
            return;
        ++started;
        running.push_back(startCli({QStringLiteral("apply")}, trace));
        QProcess *p = running.back().get();
        connect(p, &QProcess::finished, &loop, [&, p](int code, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit || code != 0)
                failures << QString::fromLocal8Bit(p->readAllStandardError());
            if (++finished == Runs)
                loop.quit();
            else
                startNext();
        });
    };
    for (int i = 0; i < AtOnce; ++i)
        startNext();
    QTimer::singleShot(280000, &loop, &QEventLoop::quit); // a bound, not a measure
    loop.exec();
    switching = false;
    switcher.stop();
    disconnect(next);
    disconnect(again);
    QVERIFY(mouseDrained());
    QCOMPARE(finished, Runs);
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    QVERIFY(switches > 0);

    int commands = 0;
    const QStringList lines = traceLines(trace);
    const QStringList faults = splitTransactions(lines, &commands);
    const int at = faults.isEmpty() ? 0 : int(lines.indexOf(faults.first()));
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 of %2 commands split, at:\n%3")
                                              .arg(faults.size()).arg(commands)
                                              .arg(lines.mid(qMax(0, at - 8), 10).join(QLatin1Char('\n')))));
    // Both processes wrote: the program's switches and every run's apply.
    QVERIFY(commands > Runs * 10);
}

void TestCliBeside::throughTheRunningProgram()
{
    DeviceBus device;
    ProfileBus profiles;
    QVERIFY(device.publish(QDBusConnection::sessionBus()));
    QVERIFY(profiles.publish(QDBusConnection::sessionBus()));
    const QString own = dir.filePath(QStringLiteral("tool-trace.txt"));

    QSignalSpy applied(Controller::instance(), &Controller::profileSentOnAttach);
    std::unique_ptr<QProcess> p = startCli({QStringLiteral("apply")}, own);
    QSignalSpy done(p.get(), &QProcess::finished);
    QVERIFY(done.wait(60000));
    QCOMPARE(p->exitCode(), 0);
    QVERIFY(QString::fromLocal8Bit(p->readAllStandardOutput()).contains(QStringLiteral("running program")));
    if (applied.isEmpty())
        QVERIFY(applied.wait(10000));
    int commands = 0;
    QVERIFY(splitTransactions(traceLines(own), &commands).isEmpty());
    QCOMPARE(commands, 0); // the tool's own mouse heard nothing

    QVERIFY(mouseDrained()); // the profile's DPI command carries the level it was sent with
    vmouse_press_dpi_button(mouse, 3);
    p = startCli({QStringLiteral("dpi-level")}, own);
    QSignalSpy read(p.get(), &QProcess::finished);
    QVERIFY(read.wait(60000));
    const QString out = QString::fromLocal8Bit(p->readAllStandardOutput());
    QVERIFY2(p->exitCode() == 0, qPrintable(out + QString::fromLocal8Bit(p->readAllStandardError())));
    QVERIFY2(out.contains(QStringLiteral("DPI level 3")), qPrintable(out));
    QVERIFY(splitTransactions(traceLines(own), &commands).isEmpty());
    QCOMPARE(commands, 0);
    QDBusConnection::sessionBus().unregisterService(QLatin1String(ProfileBus::Service));
}

int main(int argc, char *argv[])
{
    if (const int failed = runOnPrivateBus(argc, argv))
        return failed;
    QCoreApplication app(argc, argv);
    TestCliBeside test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_clibeside.moc"
