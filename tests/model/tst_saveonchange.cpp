// The profile and the macro store reach the disk soon after a change, not only at exit: bursts
// make one write, a failed write is told once and tried again with the next change, and a lock
// of another writer is only taken over when Qt calls it stale.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "device/controller.h"
#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/savescheduler.h"
#include "testfiles.h"

#include <csignal>
#include <sys/resource.h>

class TestSaveOnChange : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    int roots = 0;
    MouseData *md = nullptr;

    // A fresh tree per case: QSettings caches files by path within the process.
    QString newRoot()
    {
        const QString root = dir.path() + QStringLiteral("/r%1").arg(roots++);
        TestFiles::makeTree(root);
        DataPaths::setRoot(root);
        return root;
    }
    static QString profile() { return DataPaths::profileFile(0); }

    // A full disk for this process alone: no file may grow beyond a few bytes.
    struct FullDisk
    {
        rlimit old{};
        void (*oldHandler)(int) = nullptr;
        FullDisk()
        {
            getrlimit(RLIMIT_FSIZE, &old);
            oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit tiny = old;
            tiny.rlim_cur = 8;
            setrlimit(RLIMIT_FSIZE, &tiny);
        }
        ~FullDisk()
        {
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        }
    };

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        newRoot();
        md = MouseData::instance();
        md->load(0);
        md->saver()->setEnabled(true);
        MacroData::instance()->saver()->setEnabled(true);
    }
    void cleanupTestCase()
    {
        md->saver()->setEnabled(false);
        MacroData::instance()->saver()->setEnabled(false);
        Controller::shutdown();
        DataPaths::setRoot(QString());
    }

    void writtenSoonAfterABurst()
    {
        newRoot();
        QSignalSpy saved(md->saver(), &SaveScheduler::saved);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 20; ++i) {
            md->runHttps = QStringLiteral("https://example.com/%1").arg(i);
            md->markChanged();
            QTest::qWait(20);
        }
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::read(profile()).contains("example.com/19"), 2000);
        QVERIFY(clock.elapsed() < 2000);
        // The first change at once, the rest of the burst in one more write.
        QCOMPARE(saved.size(), 2);

        // The macro store the same way.
        MacroData *macros = MacroData::instance();
        macros->macroActions() = {QStringLiteral("1@#A_-1@#A_-0")};
        macros->setMacroNames({QStringLiteral("burst macro")});
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::read(DataPaths::macroStore()).contains("burst macro"), 2000);
    }

    // A lone change is written within a turn of the event loop; one right after a write waits
    // for the rest of the period; a look that finds nothing to write does not count as one.
    void writeScheduledByTheLastWrite()
    {
        newRoot();
        md->saver()->flush();
        QTest::qWait(SaveScheduler::DelayMs); // the period of the last case's writes is over
        md->markChanged(); // nothing changed: a look, no write
        QVERIFY(md->saver()->remainingMs() < SaveScheduler::DelayMs / 2);
        QTRY_VERIFY(!md->saver()->isPending());
        md->runHttps = QStringLiteral("lone change");
        md->markChanged();
        QVERIFY(md->saver()->remainingMs() < SaveScheduler::DelayMs / 2);
        QTRY_VERIFY(TestFiles::read(profile()).contains("lone change"));
        md->runHttps = QStringLiteral("right after");
        md->markChanged();
        QVERIFY(md->saver()->remainingMs() > SaveScheduler::DelayMs / 2);
        QVERIFY(md->saver()->remainingMs() <= SaveScheduler::DelayMs);
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::read(profile()).contains("right after"), 3000);
    }

    void failureToldOnceThenRetried()
    {
        newRoot();
        QVERIFY(QDir().mkpath(profile())); // a directory where the file should go
        QSignalSpy failed(md->saver(), &SaveScheduler::saveFailed);
        md->runHttps = QStringLiteral("first");
        md->markChanged();
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 3000);
        QVERIFY(md->saver()->isDirty());
        md->runHttps = QStringLiteral("second");
        md->markChanged();
        QTest::qWait(SaveScheduler::DelayMs + 500);
        QCOMPARE(failed.size(), 1); // told once, not with every attempt
        QVERIFY(!md->saver()->isPending()); // and no retry loop in between

        QVERIFY(QDir(profile()).removeRecursively());
        md->runHttps = QStringLiteral("third");
        md->markChanged();
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::read(profile()).contains("third"), 2000);
        QVERIFY(!md->saver()->isDirty());

        // A new failure after a success is news again.
        QFile::remove(profile());
        QVERIFY(QDir().mkpath(profile()));
        md->runHttps = QStringLiteral("fourth");
        md->markChanged();
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 2, 3000);
        QVERIFY(QDir(profile()).removeRecursively());
    }

    // A macro added while the disk is full is stored once when the disk has room again, also
    // when the store is written through a second path (an export) before the next change.
    void macroAddedDuringAFailedSaveStoredOnce()
    {
        newRoot();
        TestFiles::write(DataPaths::macroStore(), "[macro]\nmacroName=m1\n[action]\n0=1@#A_-1@#A_-0\n");
        MacroData *macros = MacroData::instance();
        macros->load();
        macros->macroNames().append(QStringLiteral("dup"));
        macros->macroActions().append(QStringLiteral("1@#B_-1@#B_-0"));
        {
            FullDisk full;
            QVERIFY(!macros->save());
        }
        QVERIFY(TestFiles::read(DataPaths::macroStore()).contains("macroName=m1\n"));
        QVERIFY(macros->save());
        QCOMPARE(macros->macroNames(), QStringList({"m1", "dup"}));
        QCOMPARE(TestFiles::rawValue(DataPaths::macroStore(), "macro", "macroName"), QStringLiteral("m1@#dup"));
        QCOMPARE(TestFiles::rawValue(DataPaths::macroStore(), "action", "1"), QStringLiteral("1@#B_-1@#B_-0"));

        // Twice failed, then a second macro: still each once.
        macros->macroNames().append(QStringLiteral("second"));
        macros->macroActions().append(QString());
        {
            FullDisk full;
            QVERIFY(!macros->save());
            QVERIFY(!macros->save());
        }
        QVERIFY(macros->save());
        QCOMPARE(macros->macroNames(), QStringList({"m1", "dup", "second"}));

        // What another writer appends meanwhile still comes in.
        TestFiles::write(DataPaths::macroStore(),
                         "[macro]\nmacroName=m1@#dup@#second@#cli\n[action]\n0=\n1=\n2=\n3=1@#C_-1@#C_-0\n");
        QVERIFY(macros->save());
        QCOMPARE(macros->macroNames(), QStringList({"m1", "dup", "second", "cli"}));
    }

    void lockTakenOverOnlyWhenStale()
    {
        newRoot();
        TestFiles::write(profile(), "[mouse]\nrunHttps=old\n");
        const QString lock = profile() + QStringLiteral(".lock");

        // An empty lock is what a writer leaves between creating it and writing its pid: while
        // young, the save waits and nothing is told.
        TestFiles::write(lock, "");
        QElapsedTimer age;
        age.start();
        QSignalSpy failed(md->saver(), &SaveScheduler::saveFailed);
        md->runHttps = QStringLiteral("behind an empty lock");
        md->markChanged();
        QTest::qWait(SaveScheduler::DelayMs + SaveScheduler::BusyRetryMs);
        QVERIFY(age.elapsed() < 2500);
        QVERIFY(QFile::exists(lock));
        QVERIFY(TestFiles::read(profile()).contains("runHttps=old"));
        QCOMPARE(failed.size(), 0);
        QVERIFY(md->saver()->isPending()); // still trying

        // Left behind by a writer that died: stale after a few seconds, then taken over,
        // without another change and without a word to the user.
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::read(profile()).contains("behind an empty lock"), 6000);
        QVERIFY(age.elapsed() >= 3000);
        QCOMPARE(failed.size(), 0);

        // A lock whose process is gone is stale by Qt's rules: taken over at once.
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForStarted(5000));
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished(5000));
        TestFiles::write(lock, QByteArray::number(pid) + "\nmousecfg\n"
                                   + QSysInfo::machineHostName().toUtf8() + "\n");
        md->runHttps = QStringLiteral("after a dead writer");
        md->markChanged();
        QTRY_VERIFY_WITH_TIMEOUT(TestFiles::read(profile()).contains("after a dead writer"), 2000);
        QCOMPARE(failed.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSaveOnChange)
#include "tst_saveonchange.moc"
