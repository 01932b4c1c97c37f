#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUuid>

#include <csignal>
#include <cstdio>

#include "app/mainwindow.h"
#include "app/startup.h"
#include "common/testroot.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"

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

// The program, run by this test binary in a child process (see main below).
int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QByteArray action = qgetenv("MOUSECFG_CHILD_ACTION");
    MainWindow::setTrayAvailableForTesting(qEnvironmentVariableIntValue("MOUSECFG_CHILD_TRAY"));
    Startup::Options options;
    options.dataRoot = qEnvironmentVariable("MOUSECFG_CHILD_ROOT");
    options.instanceKey = qEnvironmentVariable("MOUSECFG_CHILD_KEY");
    options.useExecutableDirectory = false;
    options.windowReady = [action](MainWindow *window) {
        struct ShowWatcher : QObject
        {
            using QObject::QObject;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Show) {
                    std::printf("shown\n");
                    std::fflush(stdout);
                }
                return false;
            }
        };
        window->installEventFilter(new ShowWatcher(window));
        // Something only this run could have written.
        MouseData::instance()->runHttps = QStringLiteral("child-%1.example")
                                              .arg(QCoreApplication::applicationPid());
        std::printf("ready visible=%d\n", window->isVisible() ? 1 : 0);
        std::fflush(stdout);
        if (action == "close")
            QTimer::singleShot(100, window, &QWidget::close);
        if (action == "quit")
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

private:
    std::unique_ptr<QProcess> startChild(const QString &root, const QString &key, int tray,
                                         const QByteArray &action = QByteArray());
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
                                                  const QByteArray &action)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MOUSECFG_APP_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("MOUSECFG_CHILD_ROOT"), root);
    env.insert(QStringLiteral("MOUSECFG_CHILD_KEY"), key);
    env.insert(QStringLiteral("MOUSECFG_CHILD_TRAY"), QString::number(tray));
    env.insert(QStringLiteral("MOUSECFG_CHILD_ACTION"), QString::fromLatin1(action));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VMOUSE_DEVICES"), QString()); // no mouse plugged
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
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
    QCOMPARE(ready, QByteArray("ready visible=1"));
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
    QCOMPARE(ready, QByteArray("ready visible=0"));
    QVERIFY(child->waitForFinished(30000));
    QCOMPARE(child->exitCode(), 0);
    QVERIFY(readFile(dir.filePath(QStringLiteral("data/p0.bin"))).contains("child-"));
}

void TestStartup::secondStartHandsOver()
{
    QTemporaryDir dir;
    QVERIFY(TestRoot::populate(dir.path()));
    const QString key = uniqueKey();
    auto first = startChild(dir.path(), key, 1);
    QByteArray ready;
    QVERIFY(waitForLine(first.get(), "ready", &ready));
    QCOMPARE(ready, QByteArray("ready visible=0"));
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

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("MOUSECFG_APP_CHILD"))
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
