#include "platform/singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>

#include <atomic>
#include <thread>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {
const char kChildKey[] = "MOUSECFG_SINGLEINSTANCE_CHILD";

QString uniqueKey()
{
    return QStringLiteral("mousecfg-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// A later start runs in another process; here another thread stands in for it, so that the
// primary in this thread can answer meanwhile.
bool tryFromAnotherThread(SingleInstance &instance)
{
    std::atomic<int> result{-1};
    std::thread asker([&] { result = instance.tryBecomePrimary() ? 1 : 0; });
    while (result.load() < 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    asker.join();
    return result.load() == 1;
}

bool sendRaw(const QString &key, const QList<QByteArray> &chunks)
{
    QLocalSocket socket;
    socket.connectToServer(key);
    if (!socket.waitForConnected(1000))
        return false;
    for (const QByteArray &chunk : chunks) {
        socket.write(chunk);
        if (!socket.waitForBytesWritten(1000))
            return false;
    }
    socket.disconnectFromServer();
    return true;
}
} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondInstanceRaisesFirst()
    {
        const QString key = uniqueKey();
        SingleInstance first(key);
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);
        QVERIFY(first.tryBecomePrimary());
        QVERIFY(first.isPrimary());
        QVERIFY(first.tryBecomePrimary()); // asking again changes nothing

        SingleInstance second(key);
        QVERIFY(!tryFromAnotherThread(second));
        QVERIFY(!second.isPrimary());
        QTRY_COMPARE(raised.count(), 1);

        SingleInstance third(key);
        QVERIFY(!tryFromAnotherThread(third));
        QTRY_COMPARE(raised.count(), 2);
    }

    void nameFreedWhenPrimaryEnds()
    {
        const QString key = uniqueKey();
        {
            SingleInstance first(key);
            QVERIFY(first.tryBecomePrimary());
        }
        SingleInstance next(key);
        QVERIFY(next.tryBecomePrimary());
    }

    void defaultNameIsStablePerUser()
    {
        QCOMPARE(SingleInstance::defaultName(), SingleInstance::defaultName());
        QVERIFY(SingleInstance::defaultName().startsWith(QLatin1String("mousecfg-")));
        QVERIFY(!SingleInstance::defaultName().contains(QLatin1Char('/')));
        // In the user's private directory, wherever TMPDIR points.
        const QString dir = SingleInstance::socketDirectory();
        QVERIFY(!dir.isEmpty());
        QCOMPARE(SingleInstance().serverName(), dir + QLatin1Char('/') + SingleInstance::defaultName());
        QCOMPARE(QFileInfo(dir).permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                                  | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
                 QFile::Permissions());
        qputenv("TMPDIR", QDir::homePath().toLocal8Bit());
        QCOMPARE(SingleInstance().serverName(), dir + QLatin1Char('/') + SingleInstance::defaultName());
        qunsetenv("TMPDIR");
    }

#ifdef Q_OS_UNIX
    // An instance that was killed leaves its socket file behind; nobody answers on it.
    void staleSocketIsTakenOver()
    {
        const QString key = uniqueKey();
        const QByteArray path = (SingleInstance::socketDirectory() + QLatin1Char('/') + key).toLocal8Bit();
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        QVERIFY(size_t(path.size()) < sizeof addr.sun_path);
        memcpy(addr.sun_path, path.constData(), size_t(path.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        ::close(fd);
        QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));

        SingleInstance instance(key);
        QVERIFY(instance.tryBecomePrimary());
        QVERIFY(instance.isPrimary());
        QVERIFY(instance.problem().isEmpty());
        SingleInstance second(key);
        QVERIFY(!tryFromAnotherThread(second));
    }
#endif

    // Something that is not this program holds the name: it listens but never answers. The
    // program neither exits silently nor takes the name away; it runs and says why.
    void foreignHolderDoesNotStopTheProgram()
    {
        const QString key = uniqueKey();
        QLocalServer stranger;
        QVERIFY(stranger.listen(SingleInstance::socketDirectory() + QLatin1Char('/') + key));
        SingleInstance instance(key);
        QVERIFY(instance.tryBecomePrimary());
        QVERIFY(!instance.isPrimary());
        QVERIFY2(instance.problem().contains(QLatin1String("another program")), qPrintable(instance.problem()));
        QVERIFY(stranger.isListening());
    }

    void onlyTheRaiseMessageCounts()
    {
        const QString key = uniqueKey();
        SingleInstance primary(key);
        QVERIFY(primary.tryBecomePrimary());
        QSignalSpy raised(&primary, &SingleInstance::raiseRequested);

        const QString name = primary.serverName();
        QVERIFY(sendRaw(name, {"hello\n"}));
        QVERIFY(sendRaw(name, {QByteArray(100000, 'x')}));
        QVERIFY(sendRaw(name, {"raise"})); // no line end: incomplete
        QVERIFY(!raised.wait(300));
        QCOMPARE(raised.count(), 0);

        // A message split over two writes still counts.
        QVERIFY(sendRaw(name, {"ra", "ise\n"}));
        QVERIFY(raised.wait(2000));
        QCOMPARE(raised.count(), 1);
    }

    void childProcessDefersToPrimary()
    {
        const QString key = uniqueKey();
        SingleInstance primary(key);
        QVERIFY(primary.tryBecomePrimary());
        QSignalSpy raised(&primary, &SingleInstance::raiseRequested);

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildKey), key);
        // Another TMPDIR must not make a second, separate instance.
        QTemporaryDir otherTemp;
        env.insert(QStringLiteral("TMPDIR"), otherTemp.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted(5000));
        QTRY_COMPARE_WITH_TIMEOUT(child.state(), QProcess::NotRunning, 20000);
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0); // 0: it found the primary
        QTRY_COMPARE(raised.count(), 1);
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(kChildKey)) {
        QCoreApplication app(argc, argv);
        SingleInstance instance(qEnvironmentVariable(kChildKey));
        return instance.tryBecomePrimary() ? 1 : 0;
    }
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
