#include "platform/unixsignalwatcher.h"

#include <QSignalSpy>
#include <QtTest>

#include <csignal>

namespace {
volatile sig_atomic_t g_previousHandlerRan = 0;
extern "C" void previousHandler(int)
{
    g_previousHandlerRan = 1;
}
} // namespace

class TestUnixSignals : public QObject
{
    Q_OBJECT

private slots:
    void quitSignalsBecomeQtSignals_data()
    {
        QTest::addColumn<int>("sig");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void quitSignalsBecomeQtSignals()
    {
        QFETCH(int, sig);
        UnixSignalWatcher watcher;
        QVERIFY(watcher.isActive());
        QSignalSpy spy(&watcher, &UnixSignalWatcher::signalReceived);
        QCOMPARE(::raise(sig), 0);
        QVERIFY(spy.wait(2000));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), sig);
    }

    // Signals that arrive before the event loop runs are all delivered, in order.
    void burstKeepsOrder()
    {
        UnixSignalWatcher watcher;
        QSignalSpy spy(&watcher, &UnixSignalWatcher::signalReceived);
        ::raise(SIGHUP);
        ::raise(SIGTERM);
        ::raise(SIGINT);
        QTRY_COMPARE(spy.count(), 3);
        QCOMPARE(spy.at(0).at(0).toInt(), int(SIGHUP));
        QCOMPARE(spy.at(1).at(0).toInt(), int(SIGTERM));
        QCOMPARE(spy.at(2).at(0).toInt(), int(SIGINT));
    }

    void onlyOneWatcherAtATime()
    {
        UnixSignalWatcher first;
        QVERIFY(first.isActive());
        QTest::ignoreMessage(QtWarningMsg, "UnixSignalWatcher: another watcher is active");
        UnixSignalWatcher second;
        QVERIFY(!second.isActive());
        QSignalSpy spy(&first, &UnixSignalWatcher::signalReceived);
        ::raise(SIGTERM);
        QVERIFY(spy.wait(2000));
    }

    void previousHandlerRestored()
    {
        struct sigaction action {};
        action.sa_handler = previousHandler;
        sigemptyset(&action.sa_mask);
        struct sigaction old {};
        QCOMPARE(::sigaction(SIGHUP, &action, &old), 0);
        {
            UnixSignalWatcher watcher;
            QSignalSpy spy(&watcher, &UnixSignalWatcher::signalReceived);
            ::raise(SIGHUP);
            QVERIFY(spy.wait(2000));
            QCOMPARE(int(g_previousHandlerRan), 0);
        }
        ::raise(SIGHUP);
        QCOMPARE(int(g_previousHandlerRan), 1);
        ::sigaction(SIGHUP, &old, nullptr);

        // And the next watcher works again.
        UnixSignalWatcher again;
        QVERIFY(again.isActive());
        QSignalSpy spy(&again, &UnixSignalWatcher::signalReceived);
        ::raise(SIGTERM);
        QVERIFY(spy.wait(2000));
    }
};

QTEST_GUILESS_MAIN(TestUnixSignals)
#include "tst_unixsignals.moc"
