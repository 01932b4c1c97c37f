#include "platform/singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QUuid>
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
        QVERIFY(!second.tryBecomePrimary());
        QVERIFY(!second.isPrimary());
        QVERIFY(raised.wait(2000));
        QCOMPARE(raised.count(), 1);

        SingleInstance third(key);
        QVERIFY(!third.tryBecomePrimary());
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
        QCOMPARE(SingleInstance().serverName(), SingleInstance::defaultName());
    }

#ifdef Q_OS_UNIX
    // An instance that was killed leaves its socket file behind; nobody answers on it.
    void staleSocketIsTakenOver()
    {
        const QString key = uniqueKey();
        const QByteArray path = QDir::temp().filePath(key).toLocal8Bit();
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
        SingleInstance second(key);
        QVERIFY(!second.tryBecomePrimary());
    }
#endif

    void onlyTheRaiseMessageCounts()
    {
        const QString key = uniqueKey();
        SingleInstance primary(key);
        QVERIFY(primary.tryBecomePrimary());
        QSignalSpy raised(&primary, &SingleInstance::raiseRequested);

        QVERIFY(sendRaw(key, {"hello\n"}));
        QVERIFY(sendRaw(key, {QByteArray(100000, 'x')}));
        QVERIFY(sendRaw(key, {"raise"})); // no line end: incomplete
        QVERIFY(!raised.wait(300));
        QCOMPARE(raised.count(), 0);

        // A message split over two writes still counts.
        QVERIFY(sendRaw(key, {"ra", "ise\n"}));
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
