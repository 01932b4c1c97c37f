#include "device/datapaths.h"
#include "device/worker.h"
#include "device/workerthread.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"
#include "testcatalogue.h"
#include "vmousetrace.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QLoggingCategory>
#include <QtTest>

#include <hidapi.h>

#include <memory>

namespace {
// Interfaces of a mouse at f0e1:7a0<n>; the event usage 99 matches nothing, so no event thread
// polls (and takes the faults meant for the command interface).
QString entry(int pid, int reportLength, bool withEvents = false)
{
    return QStringLiteral("f0e1:%1:ff00:1:ff01:%2:%3")
        .arg(QString::number(pid, 16), withEvents ? QStringLiteral("1") : QStringLiteral("99"))
        .arg(reportLength);
}

int plug(int pid, int reportLength)
{
    return vmouse_plug(0xf0e1, pid, 0xff00, 1, 0xff01, 1, reportLength);
}

QString command(const QString &head, int n, int fill)
{
    QString text = head;
    for (int i = 0; i < n; ++i)
        text += QStringLiteral("_%1").arg(fill < 0 ? (i + 1) % 256 : fill);
    return text;
}
} // namespace

class TestWorker : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void checkMatchesCatalogue();
    void oneEnumerationPerCheck();
    void editedCatalogueIsReadAgain();
    void writeChunking_data();
    void writeChunking();
    void readReply();
    void failedTransfers_data();
    void failedTransfers();
    void vanishedDevice();
    void refusedCommands();
    void oneEventThreadPerMouse();

private:
    QTemporaryDir dir;
    std::unique_ptr<Worker> worker;
};

void TestWorker::initTestCase()
{
    QVERIFY(dir.isValid());
    DataPaths::setRoot(dir.path());
    hid_init();
    // The debug lines are off unless asked for; asked for here, they are checked.
    QLoggingCategory::setFilterRules(QStringLiteral("mousecfg.device.debug=true"));
}

void TestWorker::init()
{
    vmouse_reset();
    worker = std::make_unique<Worker>();
}

void TestWorker::cleanup()
{
    worker.reset();
    QCOMPARE(WorkerThread::runningCount(), 0);
}

void TestWorker::cleanupTestCase()
{
    vmouse_reset();
    hid_exit();
    DataPaths::setRoot(QString());
}

void TestWorker::checkMatchesCatalogue()
{
    // Entry 2 has no section: vendor 0 / product 0 must not match every device.
    TestCatalogue::write(dir.path(), {entry(0x7a01, 32, true), entry(0x7a02, 32, true)});
    QSettings(DataPaths::configFile(), QSettings::IniFormat).setValue(QStringLiteral("common/deviceCount"), 3);
    vmouse_add_decoy(0xf0e1, 0x7a09, 0xff00, 1);  // same vendor, other product
    vmouse_add_decoy(0xf0e1, 0x7a01, 0xff00, 2);  // same IDs, other usage
    plug(0x7a01, 32);
    plug(0x7a02, 32);

    QSignalSpy finished(worker.get(), &Worker::checkFinish);
    QTest::ignoreMessage(QtDebugMsg, "Device Connect");
    worker->checkDevice();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 1); // the last matching entry
    QCOMPARE(worker->index(), 1);
    const QList<DeviceEntry> &c = worker->catalogue();
    QCOMPARE(c.size(), 3);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(!c[i].commandPath.isEmpty());
        QVERIFY(!c[i].eventPath.isEmpty());
        QVERIFY(c[i].commandPath != c[i].eventPath);
    }
    QVERIFY(c[0].commandPath != c[1].commandPath);
    QVERIFY(c[2].commandPath.isEmpty() && c[2].eventPath.isEmpty());

    // Only the decoys left: nothing attached, the index stays.
    vmouse_reset();
    vmouse_add_decoy(0xf0e1, 0x7a09, 0xff00, 1);
    vmouse_add_decoy(0xf0e1, 0x7a01, 0xff00, 2);
    QTest::ignoreMessage(QtDebugMsg, "Device DisConnect");
    worker->checkDevice();
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.at(1).at(0).toInt(), -1);
    QCOMPARE(worker->index(), 1);
    QVERIFY(worker->catalogue()[0].commandPath.isEmpty());
}

void TestWorker::oneEnumerationPerCheck()
{
    // Seven families; the last has no vendor ID, which matches a product of any vendor.
    QStringList entries;
    for (int i = 0; i < 6; ++i)
        entries << entry(0x7a01 + i, 32, i == 2);
    entries << QStringLiteral("0:7a07:ff00:1:ff01:1:32");
    TestCatalogue::write(dir.path(), entries);
    for (int i = 0; i < 20; ++i)
        vmouse_add_decoy(quint16(0x1000 + i), quint16(0x100 + i), 1, 2);
    plug(0x7a03, 32);
    vmouse_plug(0x1234, 0x7a07, 0xff00, 1, 0xff01, 1, 32);

    const unsigned before = vmouse_enumerations();
    QSignalSpy finished(worker.get(), &Worker::checkFinish);
    QTest::ignoreMessage(QtDebugMsg, "Device Connect");
    worker->checkDevice();
    QCOMPARE(vmouse_enumerations() - before, 1u);
    QCOMPARE(finished.at(0).at(0).toInt(), 6);
    const QList<DeviceEntry> &c = worker->catalogue();
    for (int i = 0; i < c.size(); ++i)
        QCOMPARE(c[i].isAttached(), i == 2 || i == 6);
    QVERIFY(!c[2].eventPath.isEmpty());
    QVERIFY(c[0].eventPath.isEmpty());
}

void TestWorker::editedCatalogueIsReadAgain()
{
    // Rewritten at once with the same size: neither time stamp nor size tells the versions apart.
    const int mouse = plug(0x7a01, 32);
    QSignalSpy finished(worker.get(), &Worker::checkFinish);
    const QStringList versions{entry(0x7a01, 32), entry(0x7a02, 32), entry(0x7a01, 32)};
    for (const QString &version : versions) {
        TestCatalogue::write(dir.path(), {version});
        QTest::ignoreMessage(QtDebugMsg, version == versions[1] ? "Device DisConnect" : "Device Connect");
        worker->checkDevice();
    }
    QCOMPARE(finished.size(), 3);
    QCOMPARE(finished.at(0).at(0).toInt(), 0);
    QCOMPARE(finished.at(1).at(0).toInt(), -1);
    QCOMPARE(finished.at(2).at(0).toInt(), 0);
    QVERIFY(worker->catalogue().at(0).commandPath.contains(QString::number(mouse)));
}

void TestWorker::writeChunking_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("reportLength");
    QTest::addColumn<int>("reports");
    QTest::newRow("64 in 32") << 64 << 32 << 2;
    QTest::newRow("192 in 64") << 192 << 64 << 3;
    QTest::newRow("10 in 32") << 10 << 32 << 1;
    QTest::newRow("70 in 32") << 70 << 32 << 3;
}

void TestWorker::writeChunking()
{
    QFETCH(int, n);
    QFETCH(int, reportLength);
    QFETCH(int, reports);
    TestCatalogue::write(dir.path(), {entry(0x7a01, reportLength)});
    plug(0x7a01, reportLength);
    worker->checkDevice();
    const QString path = worker->catalogue()[0].commandPath;

    // A larger transfer first leaves bytes behind in the data buffer.
    worker->sendDataProc(192, command(QStringLiteral("0_5_0_0_0_0_0_0_250"), 192, 0xee));
    vmouse_reset();
    plug(0x7a01, reportLength);
    worker->checkDevice();

    QSignalSpy failed(worker.get(), &Worker::transferFailed);
    worker->sendDataProc(n, command(QStringLiteral("0_3_0_0_1_0_0_0_251"), n, -1));
    QCOMPARE(failed.size(), 0);

    QCOMPARE(VmouseTrace::lines(QStringLiteral("feature"), path).size(), 1);
    const auto out = VmouseTrace::lines(QStringLiteral("output"), path);
    QCOMPARE(out.size(), reports);
    QByteArray payload;
    for (const auto &l : out) {
        QCOMPARE(l.bytes.size(), reportLength + 1);
        QCOMPARE(l.bytes.at(0), '\0');
        payload += l.bytes.mid(1);
    }
    QByteArray expected;
    for (int i = 0; i < n; ++i)
        expected.append(char((i + 1) % 256));
    expected.append(QByteArray(payload.size() - n, '\0')); // padding, never stale data
    QCOMPARE(payload, expected);
}

void TestWorker::readReply()
{
    TestCatalogue::write(dir.path(), {entry(0x7a01, 32)});
    const int id = plug(0x7a01, 32);
    worker->checkDevice();
    vmouse_press_dpi_button(id, 3);

    QSignalSpy reply(worker.get(), &Worker::returnData);
    worker->receiveDataProc(0, QStringLiteral("0_135_0_0_0_0_0_0_120"));
    QCOMPARE(reply.size(), 1);
    const QStringList parts = reply.at(0).at(0).toString().split(QLatin1Char('_'));
    QCOMPARE(parts.size(), 8);
    QCOMPARE(parts.at(0), QStringLiteral("135"));
    QCOMPARE(parts.at(1), QStringLiteral("3"));
    QCOMPARE(VmouseTrace::lines(QStringLiteral("get-feature")).size(), 1);
}

void TestWorker::failedTransfers_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("read");
    QTest::newRow("write: open") << "open" << false;
    QTest::newRow("write: feature") << "feature" << false;
    QTest::newRow("write: data report") << "write" << false;
    QTest::newRow("read: open") << "open" << true;
    QTest::newRow("read: feature") << "feature" << true;
    QTest::newRow("read: answer") << "get_feature" << true;
}

void TestWorker::failedTransfers()
{
    QFETCH(QString, operation);
    QFETCH(bool, read);
    TestCatalogue::write(dir.path(), {entry(0x7a01, 32)});
    const int id = plug(0x7a01, 32);
    worker->checkDevice();

    QSignalSpy failed(worker.get(), &Worker::transferFailed);
    QSignalSpy reply(worker.get(), &Worker::returnData);
    // One good read first, so that a stale answer would be there to hand on.
    worker->receiveDataProc(0, QStringLiteral("0_135_0_0_0_0_0_0_120"));
    QCOMPARE(reply.size(), 1);

    vmouse_fail_next(operation.toLatin1().constData(), 1);
    const QString text = read ? QStringLiteral("0_135_0_0_0_0_0_0_120")
                              : command(QStringLiteral("0_3_0_0_1_0_0_0_251"), 64, 0);
    if (read)
        worker->receiveDataProc(0, text);
    else
        worker->sendDataProc(64, text);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), text);
    QCOMPARE(reply.size(), 1);

    for (const auto &l : VmouseTrace::lines(QStringLiteral("error")))
        QVERIFY2(!l.text.contains(QStringLiteral("pacing")), qPrintable(l.text));

    // The next transfer goes through again (the open failure cleared the path: check first).
    worker->checkDevice();
    worker->sendDataProc(0, QStringLiteral("0_1_4_3_3_15_0_0_229"));
    QCOMPARE(failed.size(), 1);
    vmouse_state state {};
    QCOMPARE(vmouse_get_state(id, &state), 0);
    QCOMPARE(int(state.reportRate), 4);
}

void TestWorker::vanishedDevice()
{
    TestCatalogue::write(dir.path(), {entry(0x7a01, 32)});
    const int id = plug(0x7a01, 32);
    worker->checkDevice();
    QVERIFY(!worker->catalogue()[0].commandPath.isEmpty());
    vmouse_unplug(id);

    QSignalSpy failed(worker.get(), &Worker::transferFailed);
    QSignalSpy reply(worker.get(), &Worker::returnData);
    worker->sendDataProc(0, QStringLiteral("0_1_4_3_3_15_0_0_229"));
    QCOMPARE(failed.size(), 1);
    QVERIFY(worker->catalogue()[0].commandPath.isEmpty());
    worker->receiveDataProc(0, QStringLiteral("0_135_0_0_0_0_0_0_120"));
    QCOMPARE(failed.size(), 2);
    QCOMPARE(reply.size(), 0);

    // Back after the next check.
    plug(0x7a01, 32);
    worker->checkDevice();
    worker->receiveDataProc(0, QStringLiteral("0_135_0_0_0_0_0_0_120"));
    QCOMPARE(failed.size(), 2);
    QCOMPARE(reply.size(), 1);
}

void TestWorker::refusedCommands()
{
    TestCatalogue::write(dir.path(), {entry(0x7a01, 32)});
    plug(0x7a01, 32);
    worker->checkDevice();
    QSignalSpy failed(worker.get(), &Worker::transferFailed);
    QSignalSpy reply(worker.get(), &Worker::returnData);

    QTest::ignoreMessage(QtDebugMsg, "Data Length error");
    worker->sendDataProc(0, QStringLiteral("0_135_0_0_0_0_0_0_120_1"));
    QTest::ignoreMessage(QtDebugMsg, "Data Length error");
    worker->receiveDataProc(1, QStringLiteral("0_135_0_0_0_0_0_0_120"));
    QTest::ignoreMessage(QtDebugMsg, "Data Length error");
    worker->sendDataProc(515, command(QStringLiteral("0_5_0_0_0_0_0_0_250"), 515, 1));
    QTest::ignoreMessage(QtDebugMsg, "Data Length error");
    worker->sendDataProc(-1, QStringLiteral("0_135_0_0_0_0_0_120"));

    QCOMPARE(failed.size(), 4);
    QCOMPARE(reply.size(), 0);
    QCOMPARE(VmouseTrace::lines(QStringLiteral("feature")).size(), 0);
}

void TestWorker::oneEventThreadPerMouse()
{
    TestCatalogue::write(dir.path(), {entry(0x7a01, 32, true), entry(0x7a02, 32, true)});
    const int first = plug(0x7a01, 32);
    for (int i = 0; i < 4; ++i)
        worker->checkDevice();
    QVERIFY(worker->eventThreadRunning());
    QCOMPARE(WorkerThread::runningCount(), 1);

    // A second mouse of a later entry becomes current: its event interface replaces the first.
    const int second = plug(0x7a02, 32);
    worker->checkDevice();
    QCOMPARE(worker->index(), 1);
    QCOMPARE(WorkerThread::runningCount(), 1);
    QTRY_COMPARE(int(VmouseTrace::raw().count(QStringLiteral(" open vmouse/%1/event").arg(second)) > 0), 1);

    // The mouse leaves: its thread ends by itself when the interface no longer opens.
    vmouse_unplug(second);
    QTRY_COMPARE(WorkerThread::runningCount(), 0);
    QTRY_VERIFY(!worker->eventThreadRunning());

    // A check that finds nothing stops a thread still polling.
    worker->checkDevice(); // entry 0 current again
    QCOMPARE(worker->index(), 0);
    QCOMPARE(WorkerThread::runningCount(), 1);
    vmouse_unplug(first);
    worker->checkDevice();
    QCOMPARE(WorkerThread::runningCount(), 0);
}

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
