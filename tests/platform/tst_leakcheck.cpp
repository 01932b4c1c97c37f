// The leak check with the project's suppression file: leaks of the libraries it lists stay quiet,
// and a leak of our own is still reported, also when it is made from inside a library's call.
#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <QtTest>
#ifdef MOUSECFG_HAVE_DBUS
#include <QDBusConnection>
#endif

#include <cstdio>
#include <cstdlib>

namespace {

const char *const ChildVariable = "MOUSECFG_LEAK_CHILD";

// Where scripts/test points LeakSanitizer.
QString suppressionFile()
{
    return QStringLiteral(MOUSECFG_SOURCE_DIR "/tests/lsan.supp");
}

char *volatile planted;

// Our own leak: 77 bytes nobody frees.
__attribute__((noinline)) void plantedLeak()
{
    planted = new char[77];
    planted[0] = 1;
    planted = nullptr;
}

// What libdbus does when no session bus address is set and no autolaunch helper exists.
void askForSessionBus()
{
#ifdef MOUSECFG_HAVE_DBUS
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    // libdbus tries to autolaunch only for an X11 session; no server need be there.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("DISPLAY", ":9999");
    std::printf("bus=%d\n", QDBusConnection::sessionBus().isConnected() ? 1 : 0);
#endif
}

int runChild(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray what = qgetenv(ChildVariable);
    if (what.contains("dbus"))
        askForSessionBus();
    // From the event loop, so that the leak's stack runs through Qt's own frames.
    QTimer::singleShot(0, &app, [&app, what]() {
        if (what.contains("ours"))
            plantedLeak();
        app.quit();
    });
    const int status = app.exec();
    std::printf("done\n");
    std::fflush(stdout);
    return status;
}

struct ChildResult
{
    int status = -1;
    QByteArray output;
};

ChildResult runLeaking(const QByteArray &what, bool suppressed)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ChildVariable), QString::fromLatin1(what));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=1:abort_on_error=0"));
    env.insert(QStringLiteral("LSAN_OPTIONS"),
               suppressed ? QStringLiteral("print_suppressions=0:suppressions=") + suppressionFile() : QString());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
    ChildResult result;
    if (!child.waitForFinished(60000))
        return result;
    result.output = child.readAll();
    result.status = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    return result;
}

} // namespace

class TestLeakCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#if !defined(__SANITIZE_ADDRESS__)
        QSKIP("built without AddressSanitizer: there is no leak check to test");
#endif
        QVERIFY2(QFile::exists(suppressionFile()), qPrintable(suppressionFile()));
    }

    void ownLeakIsReported()
    {
        // With and without the project's suppressions, with a library's leak beside it or not.
        for (const QByteArray &what : {QByteArray("ours"), QByteArray("ours+dbus")}) {
            for (bool suppressed : {false, true}) {
                const ChildResult r = runLeaking(what, suppressed);
                const QByteArray context = what + (suppressed ? " suppressed" : " plain") + ":\n" + r.output;
                QVERIFY2(r.output.contains("done"), context.constData());
                QVERIFY2(r.status != 0, context.constData());
                QVERIFY2(r.output.contains("Direct leak of 77 byte(s)"), context.constData());
                QVERIFY2(r.output.contains("plantedLeak"), context.constData());
                if (suppressed)
                    QVERIFY2(!r.output.contains("libdbus"), context.constData());
            }
        }
    }

    void libraryLeakIsSuppressed()
    {
#ifndef MOUSECFG_HAVE_DBUS
        QSKIP("built without D-Bus");
#else
        const ChildResult plain = runLeaking("dbus", false);
        QVERIFY2(plain.output.contains("done"), plain.output.constData());
        const ChildResult suppressed = runLeaking("dbus", true);
        QVERIFY2(suppressed.status == 0, suppressed.output.constData());
        QVERIFY(!suppressed.output.contains("leaked"));
        if (plain.status == 0)
            QSKIP("libdbus leaks nothing on this machine (an autolaunch helper may be installed)");
        QVERIFY(plain.output.contains("libdbus"));
#endif
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(ChildVariable))
        return runChild(argc, argv);
    QCoreApplication app(argc, argv);
    TestLeakCheck test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_leakcheck.moc"
