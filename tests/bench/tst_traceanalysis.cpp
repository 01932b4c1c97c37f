#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "bench/traceanalysis.h"
#include "device/datapaths.h"
#include "device/worker.h"
#include "sim/vmouse.h"

#include <hidapi.h>

#include <string>

namespace {

std::string trace()
{
    std::string buffer(1 << 20, '\0');
    buffer.resize(vmouse_trace(buffer.data(), buffer.size()));
    return buffer;
}

QString withData(const QString &command, int n)
{
    QString text = command;
    for (int i = 0; i < n; ++i)
        text += QStringLiteral("_%1").arg(i & 0xff);
    return text;
}

} // namespace

class TestTraceAnalysis : public QObject
{
    Q_OBJECT
private slots:
    void groupsDataWithItsCommand();
    void ignoresWhatIsNotCommandTraffic();
    void floorAndLatency();
    void realTransfersOfTheWorker();
};

void TestTraceAnalysis::groupsDataWithItsCommand()
{
    const std::string t =
        "10.000 output /vm/1 00 01 # left over from an earlier change\n"
        "12.500 feature /vm/1 00 03 00 00 01 00 00 00 fb # keys\n"
        "44.750 output /vm/1 00 aa\n"
        "44.900 output /vm/1 00 bb\n"
        "77.000 feature /vm/1 00 06 01 00 32 06 01 00 00\n";
    const auto c = TraceAnalysis::commands(t, 11);
    QCOMPARE(c.size(), size_t(2));
    QCOMPARE(c[0].featureMs, 12.5);
    QCOMPARE(c[0].lastMs, 44.9);
    QCOMPARE(c[0].dataReports, 2);
    QCOMPARE(c[0].bytes, std::string("00 03 00 00 01 00 00 00 fb"));
    QCOMPARE(c[1].dataReports, 0);
    QCOMPARE(c[1].lastMs, 77.0);

    // From a later start the first command and its data are out of range, even the data
    // lines that lie inside it.
    const auto later = TraceAnalysis::commands(t, 44.8);
    QCOMPARE(later.size(), size_t(1));
    QCOMPARE(later[0].featureMs, 77.0);
}

void TestTraceAnalysis::ignoresWhatIsNotCommandTraffic()
{
    const std::string t =
        "1.000 open /vm/2\n"
        "26.000 close /vm/2\n"
        "27.000 event /vm/2 04 01 00 02 # dpi level 2\n"
        "garbage line\n"
        "\n"
        "30.000 error /vm/1 failed by request # write\n"
        "31.000 get-feature /vm/1 00 87 00 00 00 00 00 00 78\n"
        "40.000 open /vm/2\n";
    QVERIFY(TraceAnalysis::commands(t, 0).empty());
    QCOMPARE(TraceAnalysis::errors(t, 0), 1);
    QCOMPARE(TraceAnalysis::errors(t, 30.5), 0);
    // A read answer is traffic; polling the event interface is not.
    QCOMPARE(TraceAnalysis::lastTrafficMs(t), 31.0);
    QCOMPARE(TraceAnalysis::lastTrafficMs("1.0 open /vm/2\n"), -1.0);
}

void TestTraceAnalysis::floorAndLatency()
{
    std::vector<TraceAnalysis::Command> c(3);
    c[0].dataReports = 2;
    c[2].dataReports = 6;
    c[2].lastMs = 300;
    QCOMPARE(TraceAnalysis::pacingFloorMs(c), 64.0 + 32.0 + 64.0);
    QCOMPARE(TraceAnalysis::latencyMs(c, 100), 200.0);
    QCOMPARE(TraceAnalysis::pacingFloorMs({}), 0.0);
    QCOMPARE(TraceAnalysis::latencyMs({}, 100), -1.0);
}

// The reader against what the transport really puts on the virtual wire.
void TestTraceAnalysis::realTransfersOfTheWorker()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DataPaths::setRoot(dir.path());
    QVERIFY(QDir().mkpath(dir.path() + "/data"));
    {
        QFile f(DataPaths::configFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[common]\ndeviceCount=1\n[0]\nvid=f0e1\npid=7a01\nusagePage=ff00\nusage=1\n"
                "usagePage2=ff01\nusage2=1\nreportLength=32\n");
    }
    hid_init();
    vmouse_reset();
    QVERIFY(vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32) >= 0);
    {
        Worker worker;
        worker.checkDevice();
        const double from = TraceAnalysis::lastTrafficMs(trace()) + 0.001;
        worker.sendDataProc(64, withData(QStringLiteral("0_3_0_0_1_0_0_0_251"), 64));
        worker.sendDataProc(0, QStringLiteral("0_6_1_0_50_6_1_0_0"));
        const std::string t = trace();
        const auto c = TraceAnalysis::commands(t, from);
        QCOMPARE(c.size(), size_t(2));
        QCOMPARE(c[0].dataReports, 2); // 64 bytes in 32-byte reports
        QCOMPARE(c[1].dataReports, 0);
        QCOMPARE(TraceAnalysis::pacingFloorMs(c), 96.0);
        QCOMPARE(TraceAnalysis::errors(t, from), 0);
        // The worker waits after the command report before the data, and after the data
        // before the next command.
        QVERIFY(c[0].lastMs - c[0].featureMs >= 31.5);
        QVERIFY(c[1].featureMs - c[0].lastMs >= 31.5);
        QCOMPARE(TraceAnalysis::lastTrafficMs(t), c[1].lastMs);
    }
    vmouse_reset();
    hid_exit();
    DataPaths::setRoot(QString());
}

QTEST_GUILESS_MAIN(TestTraceAnalysis)
#include "tst_traceanalysis.moc"
