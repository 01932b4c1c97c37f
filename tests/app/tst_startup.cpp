#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QThread>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUuid>

#include <csignal>
#include <memory>
#include <cstdio>

#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/apptestroot.h"
#include "common/testroot.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "model/languagetable.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/savescheduler.h"
#include "pages/performance/lightwindow.h"

namespace {

QString uniqueKey()
{
    return QStringLiteral("mousecfg-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What a directory holds, with sizes and modification times, to see that nothing was touched.
QStringList snapshot(const QString &root)
{
    QStringList list;
    const QFileInfoList entries =
        QDir(root).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo &info : entries) {
        list << info.fileName() + QLatin1Char(' ') + QString::number(info.size()) + QLatin1Char(' ')
                    + QString::number(info.lastModified().toMSecsSinceEpoch());
        if (info.isDir())
            list << snapshot(info.filePath());
    }
    return list;
}

// An X server of its own (display number chosen by the server) with a system tray host on it.
class TrayHost
{
public:
    ~TrayHost() { stop(); }

    // Empty when it is up; otherwise why not.
    QString start()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty())
            return QStringLiteral("Xvfb or trayer is not installed (scripts/deps test)");
        m_server.setProcessChannelMode(QProcess::SeparateChannels);
        m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                                QStringLiteral("-screen"), QStringLiteral("0"),
                                                QStringLiteral("1024x768x24")});
        QByteArray number;
        QDeadlineTimer deadline(20000);
        // A cold machine may take seconds before the first server names its display.
        while (!number.contains('\n') && !deadline.hasExpired()
               && m_server.state() != QProcess::NotRunning) {
            m_server.waitForReadyRead(500);
            number += m_server.readAllStandardOutput();
        }
        if (!number.contains('\n'))
            return QStringLiteral("Xvfb did not start: ")
                   + QString::fromLocal8Bit(m_server.readAllStandardError().right(600));
        m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        m_tray.setProcessEnvironment(env);
        m_tray.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top")});
        if (!m_tray.waitForStarted(10000))
            return QStringLiteral("trayer did not start");
        // The tray counts once a program on the display sees it.
        while (!deadline.hasExpired()) {
            QProcess probe;
            QProcessEnvironment penv = env;
            penv.insert(QStringLiteral("MOUSECFG_APP_CHILD"), QStringLiteral("probe"));
            penv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            probe.setProcessEnvironment(penv);
            probe.start(QCoreApplication::applicationFilePath(), {});
            if (probe.waitForFinished(10000) && probe.readAllStandardOutput().contains("tray=1"))
                return QString();
            QThread::msleep(200);
        }
        return QStringLiteral("the tray host never showed up on ") + m_display;
    }

    void stop()
    {
        for (QProcess *p : {&m_tray, &m_server}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    void killServer()
    {
        m_server.kill();
        m_server.waitForFinished(5000);
    }

    QString display() const { return m_display; }

private:
    QProcess m_server;
    QProcess m_tray;
    QString m_display;
};

// The program, run by this test binary in a child process (see main below).
int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QByteArray action = qgetenv("MOUSECFG_CHILD_ACTION");
    MainWindow::setTrayAvailableForTesting(qEnvironmentVariableIntValue("MOUSECFG_CHILD_TRAY"));
    if (qEnvironmentVariable("MOUSECFG_CHILD_TRAY") == QLatin1String("ask"))
        MainWindow::setTrayAvailableForTesting(-1);
    Startup::Options options;
    options.dataRoot = qEnvironmentVariable("MOUSECFG_CHILD_ROOT");
    options.instanceKey = qEnvironmentVariable("MOUSECFG_CHILD_KEY");
    options.useExecutableDirectory = false;
    // As the login autostart starts it.
    options.startHidden = action == "hidden";
    options.windowReady = [action](MainWindow *window) {
        AppTestRoot::reportShows(window);
        // Something only this run could have written.
        if (action != "untouched")
            MouseData::instance()->runHttps = QStringLiteral("child-%1.example")
                                                  .arg(QCoreApplication::applicationPid());
        if (action == "show" || action == "sessionend" || action == "churn")
            window->show();
        std::printf("ready visible=%d tray=%d\n", window->isVisible() ? 1 : 0,
                    MainWindow::trayAvailable() ? 1 : 0);
        std::fflush(stdout);
        // What the session manager's end of session does: a quit event to the application.
        if (action == "sessionend")
            QTimer::singleShot(300, qApp, []() {
                QEvent quit(QEvent::Quit);
                QCoreApplication::sendEvent(qApp, &quit);
            });
        // A user who keeps changing things: a new macro and a DPI level every 150 ms.
        if (action == "churn") {
            auto *timer = new QTimer(window);
            QObject::connect(timer, &QTimer::timeout, window, []() {
                static int n = 0;
                ++n;
                MacroData *macros = MacroData::instance();
                macros->macroActions().append(QStringLiteral("1@#A_-1@#A_-0"));
                macros->setMacroNames(macros->macroNames() << QStringLiteral("change-%1").arg(n));
                MouseData::instance()->setDpi(0, 1, uint(1000 + n));
                std::printf("change %d %lld\n", n, QDateTime::currentMSecsSinceEpoch());
                std::fflush(stdout);
            });
            timer->start(150);
        }
        // One click on a lighting effect after a quiet second, as a user makes it.
        if (action == "lightclick") {
            auto *poll = new QTimer(window);
            QObject::connect(poll, &QTimer::timeout, window, [poll, window]() {
                if (MouseData::instance()->saver()->isPending())
                    return;
                poll->stop();
                QTimer::singleShot(SaveScheduler::DelayMs + 100, window, [window]() {
                    QToolButton *flowing = window->lightPage->findChild<QToolButton *>(QStringLiteral("effectBtn4"));
                    QTest::mouseClick(flowing, Qt::LeftButton);
                    std::printf("clicked checked=%d\n", flowing->isChecked() ? 1 : 0);
                    std::fflush(stdout);
                });
            });
            poll->start(50);
        }
        if (action == "close")
            QTimer::singleShot(100, window, &QWidget::close);
        if (action == "quit" || action == "untouched")
            QTimer::singleShot(100, window, [window]() {
                window->findChild<QAction *>(QStringLiteral("quitAction"))->trigger();
            });
    };
    return Startup::run(app, options);
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void screenClass_data();
    void screenClass();
    void orderAndSaveAtExit();
    void savedOnQuitSignal_data();
    void savedOnQuitSignal();
    void withoutTrayShownAndCloseQuits();
    void trayQuitEndsTheProgram();
    void secondStartHandsOver();
    void unchangedProfileNotRewritten();
    void endsAndSavesWithATrayHost_data();
    void endsAndSavesWithATrayHost();
    void signalsAtRandomMomentsLoseNothing();
    void lightingClickSurvivesAKillHalfASecondLater();
    void qtTextsFollowTheTable();

private:
    std::unique_ptr<QProcess> startChild(const QString &root, const QString &key, int tray,
                                         const QByteArray &action = QByteArray(),
                                         const QString &display = QString(), bool readErrors = false);
    static bool waitForLine(QProcess *process, const QByteArray &prefix, QByteArray *line = nullptr,
                            int ms = 30000);
};

void TestStartup::screenClass_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("expected");
    QTest::newRow("3840 wide") << QRect(0, 0, 3840, 2160) << 4;
    QTest::newRow("2560 wide") << QRect(0, 0, 2560, 1440) << 0;
    QTest::newRow("3601 wide") << QRect(0, 0, 3601, 1000) << 4;
    QTest::newRow("3600 wide") << QRect(0, 0, 3600, 1000) << 0;
    QTest::newRow("3840 wide, right of another") << QRect(1920, 0, 3840, 2160) << 4;
    QTest::newRow("none") << QRect() << 0;
}

void TestStartup::screenClass()
{
    QFETCH(QRect, geometry);
    QFETCH(int, expected);
    QCOMPARE(Startup::screenClassFor(geometry), expected);
}

void TestStartup::orderAndSaveAtExit()
{
    QTemporaryDir dir;
    QVERIFY(TestRoot::populate(dir.path()));
    QFile profile(dir.filePath(QStringLiteral("data/p0.bin")));
    QVERIFY(profile.open(QIODevice::WriteOnly));
    profile.write("[mouse]\nrunHttps=from-the-profile.example\n");
    profile.close();

    // The controller exists before the run, so that its first check can be watched.
    Controller *controller = Controller::instance();
    bool windowAtCheck = true;
    bool profileAtCheck = true;
    int checks = 0;
    QMetaObject::Connection watch = connect(controller, &Controller::check, this, [&]() {
        if (++checks == 1) {
            windowAtCheck = MainWindow::instance() != nullptr;
            profileAtCheck = MouseData::instance()->runHttps == QLatin1String("from-the-profile.example");
        }
    });

    Startup::Options options;
    options.dataRoot = dir.path();
    options.instanceKey = uniqueKey();
    options.useExecutableDirectory = false;
    options.startHidden = true; // as the login starts it: no mouse, no window
    bool readyHidden = false;
    QString profileAtWindow;
    int screenClassAtWindow = -1;
    options.windowReady = [&](MainWindow *window) {
        readyHidden = !window->isVisible();
        profileAtWindow = MouseData::instance()->runHttps;
        screenClassAtWindow = MouseData::instance()->screenClass;
        MouseData::instance()->runProgram = QStringLiteral("/opt/changed-in-the-session");
        MacroData::instance()->setMacroNames({QStringLiteral("session macro")});
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    };
    MainWindow::setTrayAvailableForTesting(1);
    const int rc = Startup::run(*qApp, options);
    MainWindow::setTrayAvailableForTesting(-1);
    disconnect(watch);

    QCOMPARE(rc, 0);
    QVERIFY(checks >= 1);
    QVERIFY2(!windowAtCheck, "the first device check came after the window");
    QVERIFY2(!profileAtCheck, "the first device check came after the profile was loaded");
    QCOMPARE(profileAtWindow, QStringLiteral("from-the-profile.example"));
    QCOMPARE(screenClassAtWindow, Startup::screenClassFor(QGuiApplication::primaryScreen()->geometry()));
    QVERIFY(readyHidden);
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Standard"));
    QVERIFY(!MainWindow::instance());

    // Saved at exit: the profile with the session's change, then the macro store.
    const QByteArray saved = readFile(dir.filePath(QStringLiteral("data/p0.bin")));
    QVERIFY(saved.contains("from-the-profile.example"));
    QVERIFY(saved.contains("changed-in-the-session"));
    QVERIFY(readFile(dir.filePath(QStringLiteral("data/macro.bin"))).contains("session macro"));
    DataPaths::setRoot(QString());
}

std::unique_ptr<QProcess> TestStartup::startChild(const QString &root, const QString &key, int tray,
                                                  const QByteArray &action, const QString &display,
                                                  bool readErrors)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MOUSECFG_APP_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("MOUSECFG_CHILD_ROOT"), root);
    env.insert(QStringLiteral("MOUSECFG_CHILD_KEY"), key);
    env.insert(QStringLiteral("MOUSECFG_CHILD_TRAY"), tray < 0 ? QStringLiteral("ask") : QString::number(tray));
    env.insert(QStringLiteral("MOUSECFG_CHILD_ACTION"), QString::fromLatin1(action));
    if (display.isEmpty()) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), display);
    }
    env.insert(QStringLiteral("VMOUSE_DEVICES"), QString()); // no mouse plugged
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(readErrors ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
    process->start(QCoreApplication::applicationFilePath(), {});
    return process;
}

bool TestStartup::waitForLine(QProcess *process, const QByteArray &prefix, QByteArray *line, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        while (process->canReadLine()) {
            const QByteArray l = process->readLine().trimmed();
            if (l.startsWith(prefix)) {
                if (line)
                    *line = l;
                return true;
            }
        }
        if (process->state() == QProcess::NotRunning)
            return false;
        process->waitForReadyRead(100);
    }
    return false;
}

void TestStartup::savedOnQuitSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestStartup::savedOnQuitSignal()
{
    QFETCH(int, signalNumber);
    QTemporaryDir dir;
    QVERIFY(TestRoot::populate(dir.path()));
    auto child = startChild(dir.path(), uniqueKey(), 1);
    QVERIFY(child->waitForStarted());
    QVERIFY(waitForLine(child.get(), "ready"));
    const qint64 pid = child->processId();
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("data/p0.bin"))));

    ::kill(pid_t(pid), signalNumber);
    QVERIFY(child->waitForFinished(30000));
    QCOMPARE(child->exitStatus(), QProcess::NormalExit);
    QCOMPARE(child->exitCode(), 0);
    const QByteArray saved = readFile(dir.filePath(QStringLiteral("data/p0.bin")));
    QVERIFY2(saved.contains(QStringLiteral("child-%1.example").arg(pid).toLatin1()), saved.constData());
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("data/macro.bin"))));
}

void TestStartup::withoutTrayShownAndCloseQuits()
{
    QTemporaryDir dir;
    QVERIFY(TestRoot::populate(dir.path()));
    auto child = startChild(dir.path(), uniqueKey(), 0, "close");
    QByteArray ready;
    QVERIFY(waitForLine(child.get(), "ready", &ready));
    // No mouse, yet the window is there: without a tray nothing else could bring it up.
    QCOMPARE(ready, QByteArray("ready visible=1 tray=0"));
    QVERIFY(child->waitForFinished(30000));
    QCOMPARE(child->exitStatus(), QProcess::NormalExit);
    QCOMPARE(child->exitCode(), 0);
    QVERIFY(readFile(dir.filePath(QStringLiteral("data/p0.bin"))).contains("child-"));
}

void TestStartup::trayQuitEndsTheProgram()
{
    QTemporaryDir dir;
    QVERIFY(TestRoot::populate(dir.path()));
    auto child = startChild(dir.path(), uniqueKey(), 1, "quit");
    QByteArray ready;
    QVERIFY(waitForLine(child.get(), "ready", &ready));
    // Started by the user: the window is there without a mouse too (it says why nothing can
    // be set).
    QCOMPARE(ready, QByteArray("ready visible=1 tray=1"));
    QVERIFY(child->waitForFinished(30000));
    QCOMPARE(child->exitCode(), 0);
    QVERIFY(readFile(dir.filePath(QStringLiteral("data/p0.bin"))).contains("child-"));
}

// A start and a quit without a change leave the profile alone: same bytes, same time.
void TestStartup::unchangedProfileNotRewritten()
{
    QTemporaryDir dir;
    QVERIFY(TestRoot::populate(dir.path()));
    const QString profile = dir.filePath(QStringLiteral("data/p0.bin"));
    auto first = startChild(dir.path(), uniqueKey(), 1, "quit");
    QVERIFY(first->waitForFinished(30000));
    QCOMPARE(first->exitCode(), 0);
    const QByteArray bytes = readFile(profile);
    QVERIFY(bytes.contains("child-"));
    const QDateTime written = QFileInfo(profile).lastModified();

    auto second = startChild(dir.path(), uniqueKey(), 1, "untouched", QString(), true);
    QVERIFY(waitForLine(second.get(), "ready"));
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitCode(), 0);
    // Nor does it talk on the terminal: the device check's debug lines are off.
    const QByteArray errors = second->readAllStandardError();
    for (const char *line : {"Device Connect", "Device DisConnect", "WM_DEVICECHANGE", "DPI Init"})
        QVERIFY2(!errors.contains(line), errors.constData());
    QCOMPARE(readFile(profile), bytes);
    QCOMPARE(QFileInfo(profile).lastModified(), written);
}

void TestStartup::secondStartHandsOver()
{
    QTemporaryDir dir;
    QVERIFY(TestRoot::populate(dir.path()));
    const QString key = uniqueKey();
    auto first = startChild(dir.path(), key, 1, "hidden");
    QByteArray ready;
    QVERIFY(waitForLine(first.get(), "ready", &ready));
    QCOMPARE(ready, QByteArray("ready visible=0 tray=1"));
    const QStringList before = snapshot(dir.path());

    auto second = startChild(dir.path(), key, 1);
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(!second->readAllStandardOutput().contains("ready"));
    QCOMPARE(snapshot(dir.path()), before);

    // The first one brings its window up.
    QVERIFY(waitForLine(first.get(), "shown"));
    ::kill(pid_t(first->processId()), SIGTERM);
    QVERIFY(first->waitForFinished(30000));
    QCOMPARE(first->exitCode(), 0);
}

void TestStartup::endsAndSavesWithATrayHost_data()
{
    QTest::addColumn<QByteArray>("how");
    QTest::newRow("SIGTERM") << QByteArray("SIGTERM");
    QTest::newRow("SIGINT") << QByteArray("SIGINT");
    QTest::newRow("SIGHUP") << QByteArray("SIGHUP");
    QTest::newRow("end of session") << QByteArray("sessionend");
    QTest::newRow("display lost") << QByteArray("display");
}

// The window is open and closes to a real tray: whatever ends the program, it ends, and
// what was changed is in the files. The window's refusal decided a race, so a signal is tried
// three times.
void TestStartup::endsAndSavesWithATrayHost()
{
    QFETCH(QByteArray, how);
    TrayHost host;
    const QString why = host.start();
    if (!why.isEmpty())
        QFAIL(qPrintable(why));
    const QMap<QByteArray, int> signalOf{{"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGHUP", SIGHUP}};
    const int attempts = signalOf.contains(how) ? 3 : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        QTemporaryDir dir;
        QVERIFY(TestRoot::populate(dir.path()));
        auto child = startChild(dir.path(), uniqueKey(), -1,
                                how == "sessionend" ? how : QByteArray("show"), host.display());
        QByteArray ready;
        QVERIFY(waitForLine(child.get(), "ready", &ready));
        QCOMPARE(ready, QByteArray("ready visible=1 tray=1"));
        const qint64 pid = child->processId();

        if (signalOf.contains(how))
            ::kill(pid_t(pid), signalOf.value(how));
        else if (how == "display")
            host.killServer();
        QVERIFY2(child->waitForFinished(15000),
                 qPrintable(QStringLiteral("attempt %1: the program kept running").arg(attempt + 1)));
        if (how != "display") {
            QCOMPARE(child->exitStatus(), QProcess::NormalExit);
            QCOMPARE(child->exitCode(), 0);
        }
        const QByteArray saved = readFile(dir.filePath(QStringLiteral("data/p0.bin")));
        QVERIFY2(saved.contains(QStringLiteral("child-%1.example").arg(pid).toLatin1()), saved.constData());
    }
}

// Changes keep coming; SIGTERM at a random moment, SIGKILL 2 s later (a logout that does not
// wait). Every change made more than 2 s before the SIGTERM must be in the files. Rounds:
// MOUSECFG_KILL_ROUNDS (default 3).
void TestStartup::signalsAtRandomMomentsLoseNothing()
{
    const int rounds = qEnvironmentVariableIsSet("MOUSECFG_KILL_ROUNDS")
                           ? qEnvironmentVariableIntValue("MOUSECFG_KILL_ROUNDS") : 3;
    TrayHost host;
    const QString why = host.start();
    if (!why.isEmpty())
        QFAIL(qPrintable(why));
    QRandomGenerator random(20261208);
    int expected = 0, kept = 0, endedBySignal = 0;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir dir;
        QVERIFY(TestRoot::populate(dir.path()));
        auto child = startChild(dir.path(), uniqueKey(), -1, "churn", host.display());
        QVERIFY(waitForLine(child.get(), "ready"));
        QMap<int, qint64> madeAt;
        QDeadlineTimer wait(1500 + int(random.bounded(2500)));
        QByteArray line;
        while (!wait.hasExpired()) {
            if (waitForLine(child.get(), "change", &line, int(qMax<qint64>(1, wait.remainingTime())))) {
                const QList<QByteArray> parts = line.split(' ');
                madeAt.insert(parts.value(1).toInt(), parts.value(2).toLongLong());
            }
        }
        const qint64 signalAt = QDateTime::currentMSecsSinceEpoch();
        ::kill(pid_t(child->processId()), SIGTERM);
        if (child->waitForFinished(2000)) {
            ++endedBySignal;
        } else {
            child->kill();
            QVERIFY(child->waitForFinished(5000));
        }
        const QByteArray store = readFile(dir.filePath(QStringLiteral("data/macro.bin")));
        for (auto it = madeAt.cbegin(); it != madeAt.cend(); ++it) {
            if (it.value() > signalAt - 2000)
                continue;
            ++expected;
            if (store.contains(QStringLiteral("change-%1@#").arg(it.key()).toLatin1())
                || store.contains(QStringLiteral("change-%1\n").arg(it.key()).toLatin1()))
                ++kept;
        }
    }
    qInfo("%d rounds: %d of %d changes made more than 2 s before the SIGTERM are in the files; "
          "%d rounds ended by the SIGTERM itself", rounds, kept, expected, endedBySignal);
    QVERIFY(expected > 0);
    QCOMPARE(kept, expected);
    QCOMPARE(endedBySignal, rounds);
}

// A lone change is on disk long before the promised second is over: a SIGKILL half a second
// after a click on a lighting effect finds it in the profile.
void TestStartup::lightingClickSurvivesAKillHalfASecondLater()
{
    QTemporaryDir dir;
    QVERIFY(TestRoot::populate(dir.path()));
    auto child = startChild(dir.path(), uniqueKey(), 1, "lightclick");
    QByteArray line;
    QVERIFY(waitForLine(child.get(), "clicked", &line));
    QCOMPARE(line, QByteArray("clicked checked=1"));
    QThread::msleep(500);
    child->kill();
    QVERIFY(child->waitForFinished(5000));
    QSettings saved(dir.filePath(QStringLiteral("data/p0.bin")), QSettings::IniFormat);
    QCOMPARE(saved.value(QStringLiteral("mouse/lightValue")).toStringList().value(0), QStringLiteral("4"));
}

// The standard buttons, edit menus and file dialog speak the table's language.
void TestStartup::qtTextsFollowTheTable()
{
    const QString qm = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm");
    QVERIFY2(QFile::exists(qm), "Qt's translations are not installed (scripts/deps installs qt6-translations-l10n)");
    const QString chinese = QStringLiteral(MOUSECFG_BIN_DIR "/i18n/ChineseSimplified.ini");
    const QString english = QStringLiteral(MOUSECFG_BIN_DIR "/i18n/English.ini");
    QVERIFY(Startup::installQtTranslations(*qApp, LanguageTable::localeOf(chinese)));
    {
        QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
        QLineEdit edit;
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QVERIFY(!menu->actions().isEmpty());
        QVERIFY2(!menu->actions().first()->text().contains(QStringLiteral("Undo")), qPrintable(menu->actions().first()->text()));
    }
    // Back to English: Qt's texts are English again.
    Startup::installQtTranslations(*qApp, LanguageTable::localeOf(english));
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariable("MOUSECFG_APP_CHILD") == QLatin1String("probe")) {
        QApplication app(argc, argv);
        std::printf("tray=%d\n", QSystemTrayIcon::isSystemTrayAvailable() ? 1 : 0);
        // Before exit: a sanitizer that ends the process at exit does not flush stdio.
        std::fflush(stdout);
        return 0;
    }
    if (qEnvironmentVariableIsSet("MOUSECFG_APP_CHILD"))
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
