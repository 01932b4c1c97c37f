// The virtual mouse seen through hidapi: enumeration and decoys, handles across unplugging,
// event reads with time-outs, requested faults, the trace and reset.
#include "simhost.h"

#include "sim/vmouse.h"
#include "sim/vmousefaults.h"
#include "sim/vmousestate.h"

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <regex>
#include <thread>

using namespace simhost;
using Clock = std::chrono::steady_clock;

namespace {

struct Found
{
    std::string path;
    unsigned short vid, pid, page, usage;
    int number;
    std::wstring manufacturer, product;
};

std::vector<Found> enumerate(unsigned short vid, unsigned short pid)
{
    std::vector<Found> out;
    hid_device_info *list = hid_enumerate(vid, pid);
    for (hid_device_info *d = list; d; d = d->next)
        out.push_back({d->path, d->vendor_id, d->product_id, d->usage_page, d->usage, d->interface_number,
                       d->manufacturer_string, d->product_string});
    hid_free_enumeration(list);
    return out;
}

long msSince(Clock::time_point t)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

} // namespace

class TestBus : public QObject
{
    Q_OBJECT

private slots:
    void init() { vmouse_reset(); }
    void cleanupTestCase() { vmouse_reset(); }

    void enumerationShowsBothInterfacesAndDecoys()
    {
        const int a = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        const int b = vmouse_plug(0xf0e1, 0x7a06, 0xff00, 1, 0xff01, 1, 64);
        const int other = vmouse_add_decoy(0xf0e1, 0x7a99, 0xff00, 1);
        const int sameIds = vmouse_add_decoy(0xf0e1, 0x7a01, 0xff00, 2);
        QCOMPARE(a, 0);
        QCOMPARE(b, 1);
        QVERIFY(other != sameIds && other > b);

        std::vector<Found> all = enumerate(0, 0);
        QCOMPARE(int(all.size()), 6);
        QCOMPARE(all[0].path, std::string("vmouse/0/command"));
        QCOMPARE(all[0].page, 0xff00);
        QCOMPARE(all[1].path, std::string("vmouse/0/event"));
        QCOMPARE(all[1].page, 0xff01);
        QVERIFY(all[0].number != all[1].number);
        QVERIFY(all[0].manufacturer == L"Virtual");
        QVERIFY(all[0].product == L"Virtual mouse");

        // A host matching vid/pid and then usage page/usage must land on the mouse, not the decoy.
        std::vector<Found> first = enumerate(0xf0e1, 0x7a01);
        QCOMPARE(int(first.size()), 3);
        std::string command;
        int commandMatches = 0;
        for (const Found &f : first)
            if (f.page == 0xff00 && f.usage == 1) {
                command = f.path;
                ++commandMatches;
            }
        QCOMPARE(commandMatches, 1);
        QCOMPARE(command, std::string("vmouse/0/command"));

        QCOMPARE(int(enumerate(0xf0e1, 0).size()), 6);
        QCOMPARE(int(enumerate(0, 0x7a06).size()), 2);
        QCOMPARE(int(enumerate(0xf0e1, 0x7a99).size()), 1);
        QVERIFY(enumerate(0x1234, 0).empty());

        vmouse_unplug(a);
        QCOMPARE(int(enumerate(0xf0e1, 0x7a01).size()), 1); // only the decoy is left
        vmouse_state s;
        QCOMPARE(vmouse_get_state(a, &s), -1);
        QCOMPARE(vmouse_get_state(other, &s), -1);
        QCOMPARE(vmouse_get_state(b, &s), 0);
        QCOMPARE(vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 0), -1);
    }

    void openAndUnplug()
    {
        QVERIFY(!hid_open_path("vmouse/0/command"));
        QVERIFY(!hid_open_path("/dev/hidraw0"));
        QVERIFY(!hid_open_path(nullptr));
        const int id = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        hid_device *cmd = openCommand(id);
        hid_device *ev = openEvent(id);
        QVERIFY(cmd && ev);
        QVERIFY(!hid_open_path("vmouse/0/decoy"));

        wchar_t text[8];
        QCOMPARE(hid_get_product_string(cmd, text, 8), 0);
        QVERIFY(std::wstring(text) == L"Virtual"); // cut to fit, terminated
        hid_device_info *info = hid_get_device_info(ev);
        QVERIFY(info);
        QCOMPARE(info->usage_page, 0xff01);
        QCOMPARE(hid_set_nonblocking(cmd, 0), 0);

        vmouse_unplug(id);
        const Bytes rate = command({1, 1, 3, 3, 15, 0, 0}, true);
        unsigned char buf[33] = {};
        QCOMPARE(hid_send_feature_report(cmd, rate.data(), 9), -1);
        QCOMPARE(hid_write(cmd, buf, 33), -1);
        QCOMPARE(hid_get_feature_report(cmd, buf, 9), -1);
        QCOMPARE(hid_read_timeout(ev, buf, 4, 10), -1);
        QCOMPARE(hid_set_nonblocking(ev, 1), -1);
        QVERIFY(!hid_open_path("vmouse/0/command"));
        hid_close(cmd);
        hid_close(ev);
        // A new mouse gets a new id: the old handles do not come back to life.
        QCOMPARE(vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32), 1);
        QCOMPARE(lines("close").size(), size_t(0));
        QCOMPARE(lines("open").size(), size_t(2));
    }

    void events()
    {
        const int id = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        hid_device *ev = openEvent(id);
        unsigned char buf[8] = {};

        auto t = Clock::now();
        QCOMPARE(hid_read_timeout(ev, buf, sizeof buf, 60), 0);
        const long waited = msSince(t);
        QVERIFY2(waited >= 59 && waited < 1000, qPrintable(QString::number(waited)));

        vmouse_push_event(id, 4, 1, 1, 1);
        vmouse_press_dpi_button(id, 3);
        QCOMPARE(hid_read_timeout(ev, buf, sizeof buf, 0), 4);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(buf), 4), QByteArray("\x04\x01\x01\x01", 4));
        QCOMPARE(hid_read(ev, buf, sizeof buf), 4);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(buf), 4), QByteArray("\x04\x01\x00\x03", 4));
        vmouse_state s;
        QCOMPARE(vmouse_get_state(id, &s), 0);
        QCOMPARE(s.currentLevel, 3);

        QCOMPARE(hid_set_nonblocking(ev, 1), 0);
        t = Clock::now();
        QCOMPARE(hid_read(ev, buf, sizeof buf), 0);
        QVERIFY(msSince(t) < 20);
        QCOMPARE(hid_set_nonblocking(ev, 0), 0);

        // A blocking read waits for an event from another thread, and an unplug ends it.
        std::thread pusher([id] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            vmouse_push_event(id, 4, 1, 2, 1);
        });
        QCOMPARE(hid_read_timeout(ev, buf, sizeof buf, -1), 4);
        pusher.join();
        QCOMPARE(buf[2], 2);
        std::thread unplugger([id] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            vmouse_unplug(id);
        });
        QCOMPARE(hid_read(ev, buf, sizeof buf), -1);
        unplugger.join();
        hid_close(ev);

        std::vector<std::string> evLines = lines(" event ");
        QCOMPARE(int(evLines.size()), 3);
        QVERIFY(evLines[1].find("event vmouse/0/event 04 01 00 03 # dpi level 3") != std::string::npos);
    }

    void commandInterfaceReadsAreZeroReports()
    {
        const int id = vmouse_plug(0xf0e1, 0x7a06, 0xff00, 1, 0xff01, 1, 64);
        hid_device *cmd = openCommand(id);
        unsigned char buf[100];
        std::memset(buf, 0xAA, sizeof buf);
        // As hidraw reads a report of a device without report IDs: the 64 bytes alone.
        QCOMPARE(hid_read(cmd, buf, sizeof buf), 64);
        QVERIFY(std::all_of(buf, buf + 64, [](unsigned char c) { return c == 0; }));
        QCOMPARE(buf[64], 0xAA);
        QCOMPARE(hid_get_input_report(cmd, buf, sizeof buf), 65);
        QCOMPARE(hid_get_input_report(cmd, buf, 10), 10);
        hid_close(cmd);
        QCOMPARE(int(lines(" input vmouse/0/command 00").size()), 3);
    }

    void failNext()
    {
        const int id = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        vmouse_fail_next("open", 2);
        QVERIFY(!openCommand(id));
        QVERIFY(!openEvent(id));
        hid_device *cmd = openCommand(id);
        QVERIFY(cmd);

        const Bytes rate = command({1, 2, 3, 3, 15, 0, 0}, true);
        vmouse_fail_next("feature", 1);
        QCOMPARE(hid_send_feature_report(cmd, rate.data(), 9), -1);
        vmouse_state s;
        vmouse_get_state(id, &s);
        QCOMPARE(s.reportRate, 0); // a failed send reaches no firmware
        QCOMPARE(hid_send_feature_report(cmd, rate.data(), 9), 9);

        unsigned char buf[33] = {};
        vmouse_fail_next("write", 1);
        QCOMPARE(hid_write(cmd, buf, 33), -1);
        vmouse_fail_next("get_feature", 1);
        QCOMPARE(hid_get_feature_report(cmd, buf, 9), -1);
        QCOMPARE(hid_get_feature_report(cmd, buf, 9), 9);
        hid_device *ev = openEvent(id);
        vmouse_push_event(id, 4, 1, 0, 1);
        vmouse_fail_next("read", 1);
        QCOMPARE(hid_read_timeout(ev, buf, 4, 0), -1);
        QCOMPARE(hid_read_timeout(ev, buf, 4, 0), 4); // the event was not lost

        vmouse_fail_next("feature", 5);
        vmouse_fail_next("feature", 0); // cancels
        QCOMPARE(hid_send_feature_report(cmd, rate.data(), 9), 9);
        hid_close(cmd);
        hid_close(ev);

        QCOMPARE(int(lines("failed by request").size()), 6);
        vmouse_get_state(id, &s);
        QCOMPARE(s.errors, 6u + unsigned(lines("pacing").size())); // the rate commands had no pause

        // Pulled out as the data follows its command: the command got through, nothing after it.
        cmd = openCommand(id);
        ev = openEvent(id);
        vmouse_fail_next("unplug_at_write", 1);
        QCOMPARE(hid_send_feature_report(cmd, rate.data(), 9), 9);
        QCOMPARE(hid_write(cmd, buf, 33), -1);
        QVERIFY(!openCommand(id));
        QCOMPARE(hid_read_timeout(ev, buf, 4, 0), -1);
        QCOMPARE(vmouse_get_state(id, &s), -1);
        hid_close(cmd);
        hid_close(ev);
    }

    void stall()
    {
        const int id = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        hid_device *cmd = openCommand(id);
        hid_device *ev = openEvent(id);
        unsigned char buf[9] = {};
        vmouse_stall(80);
        auto t = Clock::now();
        QCOMPARE(hid_get_feature_report(cmd, buf, 9), -1);
        QVERIFY(msSince(t) >= 79);
        QCOMPARE(hid_get_feature_report(cmd, buf, 9), 9); // one call only

        vmouse_stall(5000);
        std::thread unplugger([id] {
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            vmouse_unplug(id);
        });
        t = Clock::now();
        QCOMPARE(hid_read_timeout(ev, buf, 4, 10), -1);
        QVERIFY(msSince(t) < 2000);
        unplugger.join();
        hid_close(cmd);
        hid_close(ev);
        QCOMPARE(int(lines("stalled").size()), 1);
    }

    void stallOfTheCommandInterface()
    {
        const int id = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        hid_device *cmd = openCommand(id);
        hid_device *ev = openEvent(id);
        unsigned char buf[9] = {};
        vmouse_stall_command(80);
        // The event thread's reads go on as usual and leave the stall to the command interface.
        QCOMPARE(hid_read_timeout(ev, buf, 4, 10), 0);
        QCOMPARE(hid_read_timeout(ev, buf, 4, 10), 0);
        const auto t = Clock::now();
        QCOMPARE(hid_get_feature_report(cmd, buf, 9), -1);
        QVERIFY(msSince(t) >= 79);
        QCOMPARE(hid_get_feature_report(cmd, buf, 9), 9);
        hid_close(cmd);
        hid_close(ev);
    }

    void traceFormat()
    {
        const int id = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        hid_device *cmd = openCommand(id);
        QVERIFY(writeTransfer(cmd, command({1, 1, 3, 3, 15, 0, 0}, true), {}, 32));
        QVERIFY(writeTransfer(cmd, command({12, 0, 0, 1, 0, 0, 0}, true), Bytes(64, 0xab), 32));
        Bytes bad = command({1, 1, 3, 3, 15, 0, 0}, true);
        bad[8] = 0;
        hid_send_feature_report(cmd, bad.data(), 9);
        hid_close(cmd);

        const std::string text = trace();
        const std::regex line(R"(^(\d+)\.\d{3} (open|close|feature|output|get-feature|input|event|error) vmouse/0/command( [^#]*)?( # .*)?$)");
        std::istringstream in(text);
        std::vector<std::string> ops;
        double last = -1;
        for (std::string l; std::getline(in, l);) {
            std::smatch m;
            QVERIFY2(std::regex_match(l, m, line), l.c_str());
            const double t = std::stod(l);
            QVERIFY(t >= last);
            last = t;
            ops.push_back(m[2]);
        }
        const std::vector<std::string> expected = {"open", "feature", "feature", "output", "output",
                                                   "feature", "error", "close"};
        QCOMPARE(ops, expected);
        QVERIFY(text.find(" feature vmouse/0/command 00 01 01 03 03 0f 00 00 e8 # report-rate 1\n") != std::string::npos);
        std::vector<std::string> outputs = lines(" output ");
        QVERIFY(outputs[0].find(" 00 ab ab") != std::string::npos);
        QCOMPARE(std::count(outputs[0].begin(), outputs[0].end(), ' '), long(3 + 32 + 2)); // stamp, op, path + 33 bytes + "# 32/64"
        QVERIFY(lines("error vmouse/0/command bad checksum").size() == 1);

        // Copying: a short buffer gets a terminated prefix, the full length is returned.
        char small[11];
        std::memset(small, 'x', sizeof small);
        QCOMPARE(vmouse_trace(small, sizeof small), text.size());
        QCOMPARE(std::string(small), text.substr(0, 10));
        QCOMPARE(vmouse_trace(nullptr, 0), text.size());
    }

    void resetClearsEverything()
    {
        const int id = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        hid_device *cmd = openCommand(id);
        vmouse_fail_next("feature", 3);
        vmouse_stall(10000);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        vmouse_reset();
        QCOMPARE(vmouse_trace(nullptr, 0), size_t(0));
        QVERIFY(enumerate(0, 0).empty());
        const Bytes rate = command({1, 1, 3, 3, 15, 0, 0}, true);
        QCOMPARE(hid_send_feature_report(cmd, rate.data(), 9), -1);
        hid_close(cmd);

        QCOMPARE(vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32), 0);
        cmd = openCommand(0);
        QCOMPARE(hid_send_feature_report(cmd, rate.data(), 9), 9); // no fault left
        unsigned char buf[9] = {};
        auto t = Clock::now();
        QCOMPARE(hid_get_feature_report(cmd, buf, 9), 9); // no stall left
        QVERIFY(msSince(t) < 1000);
        hid_close(cmd);
        // The clock restarted at the plug.
        QVERIFY(std::stod(trace()) < 50.0);
        vmouse_state s;
        QCOMPARE(vmouse_get_state(0, &s), 0);
        QCOMPARE(s.reportRate, 1);
        QCOMPARE(s.errors, 0u);
    }

    // The device link writes from its worker thread while its event thread polls.
    void concurrentCallers()
    {
        const int id = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        std::atomic<bool> stop{false};
        std::atomic<int> received{0};
        std::thread poller([&] {
            while (!stop) {
                hid_device *ev = openEvent(id);
                unsigned char buf[4];
                if (hid_read_timeout(ev, buf, 4, 5) == 4)
                    ++received;
                hid_close(ev);
            }
        });
        std::thread presser([&] {
            for (int i = 0; i < 50; ++i) {
                vmouse_press_dpi_button(id, i % 5);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        for (int i = 0; i < 20; ++i) {
            hid_device *cmd = openCommand(id);
            const Bytes q = command({135, 0, 0, 0, 0, 0, 0}, true);
            unsigned char a[9] = {};
            QCOMPARE(hid_send_feature_report(cmd, q.data(), 9), 9);
            QCOMPARE(hid_get_feature_report(cmd, a, 9), 9);
            QCOMPARE(a[1], 135);
            hid_close(cmd);
        }
        presser.join();
        QTRY_COMPARE(received.load(), 50);
        stop = true;
        poller.join();
    }

    // The real library's process-wide state makes two threads inside these calls at once a
    // crash risk; the bus would hide that by serialising them, so it reports it instead.
    void overlappingGlobalCallsAreReported()
    {
        const int id = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        for (int i = 0; i < 50; ++i) {
            hid_close(openEvent(id));
            enumerate(0, 0);
        }
        QVERIFY(lines("overlap").empty());

        std::thread other([] {
            for (int i = 0; i < 100; ++i)
                enumerate(0, 0);
        });
        for (int i = 0; i < 100; ++i)
            hid_close(openCommand(id));
        other.join();
        QVERIFY(!lines("error - overlap").empty());
        vmouse_state s{};
        QCOMPARE(vmouse_get_state(id, &s), 0);
        QCOMPARE(size_t(s.errors), lines("overlap").size());
    }
};

QTEST_GUILESS_MAIN(TestBus)
#include "tst_bus.moc"
