// Automatic switching under a real X server and window manager: two windows of two programs,
// focus moved with xdotool; the profile (and the virtual mouse) follow the program in front,
// and a focus flick shorter than the hold time sends nothing.
#include "common/devicecheck.h"
#include "common/testroot.h"
#include "device/controller.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "platform/activewindow.h"
#include "profiles/profileautoswitch.h"
#include "profiles/profilemanager.h"
#include "profiles/profilesync.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <memory>

namespace {
bool startAndWait(QProcess &p, const QString &program, const QStringList &args)
{
    p.start(program, args);
    return p.waitForStarted(10000);
}

QString run(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(20000))
        return {};
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

uchar mouseRate(int id)
{
    vmouse_state s{};
    vmouse_get_state(id, &s);
    return s.reportRate;
}
} // namespace

class TestAutoSwitch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void profileFollowsProgramInFront();

private:
    QTemporaryDir dir;
    QProcess xvfb;
    QProcess wm;
    QProcess windowA;
    QProcess windowB;
    QProcessEnvironment env;
    QString display;
};

void TestAutoSwitch::initTestCase()
{
    for (const char *tool : {"Xvfb", "openbox", "xdotool"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    }
    QVERIFY(dir.isValid());
    // The server picks a free display and names it on its standard output.
    QVERIFY(startAndWait(xvfb, QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                        QStringLiteral("-screen"), QStringLiteral("0"),
                                                        QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                                        QStringLiteral("tcp")}));
    while (!xvfb.canReadLine())
        QVERIFY2(xvfb.waitForReadyRead(20000), "Xvfb named no display");
    display = QStringLiteral(":") + QString::fromLatin1(xvfb.readLine()).trimmed();
    env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    qputenv("DISPLAY", display.toLocal8Bit());
    qputenv("XDG_SESSION_TYPE", "x11");
    // The window manager reads its theme and configuration from the system's folders.
    QProcessEnvironment wmEnv = env;
    wmEnv.insert(QStringLiteral("XDG_CONFIG_DIRS"), QStringLiteral("/etc/xdg"));
    wmEnv.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/local/share:/usr/share"));
    wm.setProcessEnvironment(wmEnv);
    QVERIFY(startAndWait(wm, QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}));

    // Two programs: two copies of this executable, each showing one window.
    for (auto [process, name] : {std::pair{&windowA, "programA"}, std::pair{&windowB, "programB"}}) {
        const QString exe = dir.filePath(QLatin1String(name));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), exe));
        QVERIFY(QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        process->setProcessEnvironment(env);
        QVERIFY(startAndWait(*process, exe, {QStringLiteral("--window")}));
    }

    QVERIFY(TestRoot::install(dir.path()));
    MacroData::instance()->load();
    TestRoot::loadProfile();
    vmouse_reset();
}

void TestAutoSwitch::cleanupTestCase()
{
    for (QProcess *p : {&windowA, &windowB, &wm, &xvfb}) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }
    Controller::shutdown();
    vmouse_reset();
}

void TestAutoSwitch::profileFollowsProgramInFront()
{
    const int mouse = TestRoot::plugFamily(0);
    ProfileManager *pm = ProfileManager::instance();
    pm->load();
    ProfileSync::instance();
    QVERIFY(checkFindsFamily(0));
    MouseData *md = MouseData::instance();

    QString error;
    const QString a = pm->create(QStringLiteral("A"), true, &error);
    const QString b = pm->create(QStringLiteral("B"), true, &error);
    QVERIFY(pm->activate(b, &error));
    md->reportRate = 4;
    QVERIFY(pm->activate(a, &error));
    md->reportRate = 2;
    QVERIFY(pm->activate(pm->names().first(), &error));
    const int fileA = pm->index().profiles.at(pm->index().position(a)).file;
    const int fileB = pm->index().profiles.at(pm->index().position(b)).file;
    QVERIFY(pm->setRules({{dir.filePath(QStringLiteral("programA")), fileA}, {QStringLiteral("programB"), fileB}}, -1, &error));

    std::unique_ptr<ActiveWindow> source = ActiveWindow::create();
    QTRY_VERIFY_WITH_TIMEOUT((source = ActiveWindow::create(), source->available()), 10000);
    ProfileAutoSwitch switcher;
    connect(source.get(), &ActiveWindow::programChanged, &switcher, &ProfileAutoSwitch::programInFront);

    const auto windowOf = [this](const QProcess &p) {
        return run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--pid"),
                                               QString::number(p.processId())}, env).section(QLatin1Char('\n'), 0, 0);
    };
    const QString winA = windowOf(windowA);
    const QString winB = windowOf(windowB);
    QVERIFY(!winA.isEmpty() && !winB.isEmpty());
    const auto focus = [this](const QStringList &windows) {
        QStringList args;
        for (const QString &w : windows)
            args << QStringLiteral("windowactivate") << QStringLiteral("--sync") << w;
        run(QStringLiteral("xdotool"), args, env);
    };

    focus({winA});
    QTRY_COMPARE_WITH_TIMEOUT(pm->activeName(), a, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(mouseRate(mouse), uchar(2), 5000);
    focus({winB});
    QTRY_COMPARE_WITH_TIMEOUT(pm->activeName(), b, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(mouseRate(mouse), uchar(4), 5000);

    // A flick to A and straight back, once the desktop has told A: B held all along, nothing
    // is sent.
    QSignalSpy sent(Controller::instance(), &Controller::send);
    QSignalSpy told(source.get(), &ActiveWindow::programChanged);
    QElapsedTimer flick;
    flick.start();
    focus({winA});
    while (told.isEmpty() || !told.last().at(0).toString().endsWith(QLatin1String("programA")))
        QVERIFY(told.wait(2000));
    focus({winB});
    if (flick.elapsed() >= ProfileAutoSwitch::HoldMs)
        QSKIP("the focus flick took longer than the hold time on this machine");
    QTest::qWait(ProfileAutoSwitch::HoldMs * 3);
    QCOMPARE(pm->activeName(), b);
    QCOMPARE(sent.size(), 0);
}

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--window") == 0) {
        QApplication app(argc, argv);
        QWidget w;
        w.setWindowTitle(QCoreApplication::applicationName());
        w.resize(300, 200);
        w.show();
        return app.exec();
    }
    QApplication app(argc, argv);
    TestAutoSwitch test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_autoswitch.moc"
