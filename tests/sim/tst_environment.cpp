// How the virtual mouse is set up from outside: device lists, the catalogue's first entry, the
// environment read at load, and the control FIFO.
#include "simhost.h"

#include "sim/controlfifo.h"
#include "sim/devicedescription.h"
#include "sim/environment.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"

#include <QtTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using vmouse::DeviceDescription;

Q_DECLARE_METATYPE(std::string)

namespace {

std::string describe(const DeviceDescription &d)
{
    return d.toString();
}

// Child mode: report what the library plugged at load, then leave.
void dumpAndExit()
{
    hid_device_info *list = hid_enumerate(0, 0);
    for (hid_device_info *d = list; d; d = d->next)
        std::printf("%s %04x %04x %04x %04x\n", d->path, d->vendor_id, d->product_id, d->usage_page, d->usage);
    if (list) {
        hid_device *h = hid_open_path(list->path);
        hid_close(h);
    }
    hid_free_enumeration(list);
    if (const char *fifo = std::getenv("VMOUSE_CONTROL")) {
        struct stat st;
        std::printf("fifo %s\n", ::stat(fifo, &st) == 0 && S_ISFIFO(st.st_mode) ? "yes" : "no");
    }
    std::fflush(stdout);
    std::exit(0);
}

} // namespace

class TestEnvironment : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsSet("VMOUSE_TST_DUMP"))
            dumpAndExit();
    }
    void init() { vmouse_reset(); }
    void cleanupTestCase() { vmouse_reset(); }

    void parseOne_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed"); // empty: refused
        QTest::newRow("catalogue entry 0") << "f0e1:7a01:ff00:1:ff01:1:32" << "f0e1:7a01:ff00:0001:ff01:0001:32";
        QTest::newRow("upper case, 0x, spaces") << " F0E1:0x7A06: ff00:1:FF01:1:64 " << "f0e1:7a06:ff00:0001:ff01:0001:64";
        QTest::newRow("length is decimal") << "1:2:3:4:5:6:10" << "0001:0002:0003:0004:0005:0006:10";
        QTest::newRow("six fields") << "f0e1:7a01:ff00:1:ff01:1" << "";
        QTest::newRow("eight fields") << "f0e1:7a01:ff00:1:ff01:1:32:1" << "";
        QTest::newRow("not hex") << "zz:7a01:ff00:1:ff01:1:32" << "";
        QTest::newRow("empty field") << "f0e1::ff00:1:ff01:1:32" << "";
        QTest::newRow("over 16 bits") << "1f0e1:7a01:ff00:1:ff01:1:32" << "";
        QTest::newRow("hex length") << "f0e1:7a01:ff00:1:ff01:1:0x20" << "";
        QTest::newRow("length 0") << "f0e1:7a01:ff00:1:ff01:1:0" << "";
        QTest::newRow("negative") << "f0e1:-1:ff00:1:ff01:1:32" << "";
        QTest::newRow("huge length") << "f0e1:7a01:ff00:1:ff01:1:99999999999999999999" << "";
    }
    void parseOne()
    {
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        DeviceDescription d;
        d.vid = 0x4242;
        const bool ok = DeviceDescription::parse(text.toStdString(), d);
        QCOMPARE(ok, !parsed.isEmpty());
        if (ok)
            QCOMPARE(QString::fromStdString(describe(d)), parsed);
        else
            QCOMPARE(d.vid, 0x4242); // untouched
    }

    void parseList()
    {
        std::vector<std::string> rejected;
        auto list = DeviceDescription::parseList(";f0e1:7a01:ff00:1:ff01:1:32; bad ;;f0e1:7a06:ff00:1:ff01:1:64;", &rejected);
        QCOMPARE(int(list.size()), 2);
        QCOMPARE(list[1].pid, 0x7a06);
        QCOMPARE(list[1].reportLength, 64);
        QCOMPARE(int(rejected.size()), 1);
        QCOMPARE(rejected[0], std::string("bad"));
        QVERIFY(DeviceDescription::parseList("").empty());
    }

    void catalogueSection()
    {
        const std::string ini =
            "[common]\ndeviceCount=2\nvid=dead\n\n"
            "[10]\nvid=1010\n"
            "[0]\r\ntype=0\r\nvid = F0E1\r\npid=\"7a01\"\r\nusagePage=ff00\r\nusage=1\r\n"
            "usagePage2=ff01\r\nusage2=1\r\nreportLength=64\r\n"
            "[1]\nvid=zz\npid=7a02\n";
        DeviceDescription d;
        QVERIFY(DeviceDescription::fromCatalogue(ini, "0", d));
        QCOMPARE(describe(d), std::string("f0e1:7a01:ff00:0001:ff01:0001:64"));
        // Missing keys read as the host reads them: 0, and 32 for the length; "zz" gives 0.
        QVERIFY(DeviceDescription::fromCatalogue(ini, "1", d));
        QCOMPARE(describe(d), std::string("0000:7a02:0000:0000:0000:0000:32"));
        QVERIFY(DeviceDescription::fromCatalogue(ini, "10", d));
        QCOMPARE(d.vid, 0x1010);
        QVERIFY(!DeviceDescription::fromCatalogue(ini, "2", d));
    }

    void shippedCatalogueIsReadable()
    {
        QFile file(QStringLiteral(MOUSECFG_BIN_DIR "/data/apConfig.bin"));
        if (!file.open(QIODevice::ReadOnly))
            QSKIP("no catalogue shipped in bin/data");
        DeviceDescription d;
        QVERIFY(DeviceDescription::fromCatalogue(file.readAll().toStdString(), "0", d));
        QCOMPARE(describe(d), std::string("f0e1:7a01:ff00:0001:ff01:0001:32"));
    }

    void plugDevices()
    {
        QTemporaryDir dir;
        QCOMPARE(vmouse::Environment::plugDevices("", "/nonexistent"), 0);
        QCOMPARE(vmouse::Environment::plugDevices("1:2:3:4:5:6:7;x;8:9:a:b:c:d:16", "/nonexistent"), 2);
        vmouse_reset();
        // Unset: the catalogue's entry [0], or the built-in mouse when there is none.
        const QString ini = dir.filePath("apConfig.bin");
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[0]\nvid=f0e1\npid=7a05\nusagePage=ff00\nusage=1\nusagePage2=ff01\nusage2=1\nreportLength=32\n");
        f.close();
        QCOMPARE(vmouse::Environment::plugDevices(nullptr, ini.toStdString()), 1);
        QCOMPARE(vmouse::Environment::plugDevices(nullptr, dir.filePath("missing").toStdString()), 1);
        hid_device_info *list = hid_enumerate(0xf0e1, 0);
        QVERIFY(list && list->next && list->next->next);
        QCOMPARE(list->product_id, 0x7a05);
        QCOMPARE(list->next->next->product_id, 0x7a01);
        QCOMPARE(list->next->next->usage_page, 0xff00);
        hid_free_enumeration(list);
    }

    void loadTime_data()
    {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QString>("devices");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("unset: shipped entry 0")
            << false << QString() << QStringList{"vmouse/0/command f0e1 7a01 ff00 0001", "vmouse/0/event f0e1 7a01 ff01 0001"};
        QTest::newRow("empty: nothing") << true << "" << QStringList{};
        QTest::newRow("two, one bad")
            << true << "f0e1:7a02:ff00:1:ff01:1:32;nonsense;f0e1:7a07:ff00:2:ff01:3:64"
            << QStringList{"vmouse/0/command f0e1 7a02 ff00 0001", "vmouse/0/event f0e1 7a02 ff01 0001",
                           "vmouse/1/command f0e1 7a07 ff00 0002", "vmouse/1/event f0e1 7a07 ff01 0003"};
    }
    void loadTime()
    {
        QFETCH(bool, set);
        QFETCH(QString, devices);
        QFETCH(QStringList, expected);
        if (!set && !QFile::exists(QStringLiteral(MOUSECFG_BIN_DIR "/data/apConfig.bin")))
            QSKIP("no catalogue shipped in bin/data");
        QTemporaryDir dir;
        const QString traceFile = dir.filePath("trace.txt");
        const QString fifo = dir.filePath("control");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VMOUSE_TST_DUMP", "1");
        env.insert("VMOUSE_TRACE", traceFile);
        env.insert("VMOUSE_CONTROL", fifo);
        if (set)
            env.insert("VMOUSE_DEVICES", devices);
        else
            env.remove("VMOUSE_DEVICES");
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 0);
        QStringList out = QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        out = out.filter(QRegularExpression("^(vmouse/|fifo )")); // QtTest's banner comes first
        QCOMPARE(out.takeLast(), QString("fifo yes"));
        QCOMPARE(out, expected);
        QVERIFY2(!QFile::exists(fifo), "the FIFO the library made is removed at exit");

        QFile t(traceFile);
        if (expected.isEmpty()) {
            QVERIFY(!t.exists() || t.size() == 0);
            return;
        }
        QVERIFY(t.open(QIODevice::ReadOnly));
        const QStringList traced = QString::fromUtf8(t.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(traced.size(), 2);
        QVERIFY(traced[0].endsWith(" open vmouse/0/command"));
        QVERIFY(traced[1].endsWith(" close vmouse/0/command"));
    }

    void controlLines()
    {
        QVERIFY(vmouse::ControlFifo::runLine("plug f0e1:7a01:ff00:1:ff01:1:32"));
        QVERIFY(vmouse::ControlFifo::runLine("  dpi-button 0 3 "));
        QVERIFY(vmouse::ControlFifo::runLine("event 0 4 1 0x02 1"));
        QVERIFY(vmouse::ControlFifo::runLine("fail read 1"));
        for (const char *bad : {"", "plug", "plug 1:2", "unplug x", "dpi-button 0", "dpi-button 0 256",
                                "event 0 4 1 2", "event 0 4 1 2 300", "fail close 1", "fail read -1",
                                "stall", "jump 3"})
            QVERIFY2(!vmouse::ControlFifo::runLine(bad), bad);
        vmouse_state s;
        QCOMPARE(vmouse_get_state(0, &s), 0);
        QCOMPARE(s.currentLevel, 3);
        hid_device *ev = simhost::openEvent(0);
        unsigned char buf[4];
        QCOMPARE(hid_read_timeout(ev, buf, 4, 0), -1); // the requested fault
        QCOMPARE(hid_read_timeout(ev, buf, 4, 0), 4);
        QCOMPARE(buf[3], 3);
        QCOMPARE(hid_read_timeout(ev, buf, 4, 0), 4);
        QCOMPARE(buf[2], 2);
        hid_close(ev);
        QVERIFY(vmouse::ControlFifo::runLine("unplug 0"));
        QCOMPARE(vmouse_get_state(0, &s), -1);
    }

    void controlFifo()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("ctl").toStdString();
        {
            vmouse::ControlFifo fifo;
            QVERIFY(fifo.start(path));
            QFile w(QString::fromStdString(path));
            QVERIFY(w.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            w.write("plug f0e1:7a03:ff00:1:ff01:1:32\nplug f0e1:7a04:ff00:1:ff01:1:");
            w.write("32\ndpi-button 1 2\n");
            QTRY_VERIFY([] { vmouse_state s; return vmouse_get_state(1, &s) == 0 && s.currentLevel == 2; }());
            w.write("unplug 0\n");
            QTRY_VERIFY([] { vmouse_state s; return vmouse_get_state(0, &s) == -1; }());
            w.close();
        } // stops and joins without waiting for more input
        QVERIFY(!QFile::exists(QString::fromStdString(path)));

        // A path that exists and is no FIFO is refused.
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        vmouse::ControlFifo other;
        QVERIFY(!other.start(dir.filePath("plain").toStdString()));
        QVERIFY(QFile::exists(dir.filePath("plain")));
    }
};

QTEST_GUILESS_MAIN(TestEnvironment)
#include "tst_environment.moc"
