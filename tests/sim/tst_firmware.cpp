// The virtual mouse's firmware: how each command's bytes end up in the mouse's state, and what
// it refuses (checksums, sizes, pacing).
#include "simhost.h"

#include "sim/vmouse.h"
#include "sim/vmousestate.h"

#include <QtTest>

#include <chrono>
#include <cstring>
#include <thread>

using namespace simhost;

class TestFirmware : public QObject
{
    Q_OBJECT

    int id = -1;
    hid_device *dev = nullptr;

    vmouse_state state()
    {
        vmouse_state s;
        std::memset(&s, 0xAA, sizeof s);
        if (vmouse_get_state(id, &s) != 0)
            qFatal("no state for mouse %d", id);
        return s;
    }

    void plug(int reportLength)
    {
        if (dev)
            hid_close(dev);
        vmouse_reset();
        id = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, reportLength);
        dev = openCommand(id);
    }

private slots:
    void init() { plug(32); }
    void cleanup()
    {
        hid_close(dev);
        dev = nullptr;
    }

    void reportRate()
    {
        const Bytes rate1 = command({1, 1, 3, 3, 15, 0, 0}, true);
        QCOMPARE(rate1[8], 232); // the host's own example
        QVERIFY(writeTransfer(dev, rate1, {}, 32));
        QCOMPARE(state().reportRate, 1);
        QVERIFY(writeTransfer(dev, command({1, 8, 3, 3, 15, 0, 0}, true), {}, 32));
        vmouse_state s = state();
        QCOMPARE(s.reportRate, 8);
        QCOMPARE(s.commands, 2u);
        QCOMPARE(s.errors, 0u);
    }

    void dpiCommandsSetCodesAndMasks()
    {
        QVERIFY(writeTransfer(dev, command({8, 10, 11, 12, 13, 0x0c, 0}, false), {}, 32));
        QVERIFY(writeTransfer(dev, command({7, 2, 31, 15, 31, 63, 143}, false), {}, 32));
        QVERIFY(writeTransfer(dev, command({24, 20, 21, 22, 23, 0x81, 0}, false), {}, 32));
        QVERIFY(writeTransfer(dev, command({23, 0, 0, 72, 73, 74, 159}, false), {}, 32));
        vmouse_state s = state();
        const unsigned char x[8] = {15, 31, 63, 143, 10, 11, 12, 13};
        const unsigned char y[8] = {72, 73, 74, 159, 20, 21, 22, 23};
        QCOMPARE(QByteArray(reinterpret_cast<char *>(s.dpiX), 8), QByteArray(reinterpret_cast<const char *>(x), 8));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(s.dpiY), 8), QByteArray(reinterpret_cast<const char *>(y), 8));
        QCOMPARE(s.xHighMask, 0x0c);
        QCOMPARE(s.yHighMask, 0x81);
        QCOMPARE(s.enableMask, 31);
        QCOMPARE(s.currentLevel, 2);
        QCOMPARE(s.errors, 0u);
        QCOMPARE(s.commands, 4u);
    }

    void lighting()
    {
        QVERIFY(writeTransfer(dev, command({6, 4, 5, 37, 7, 1, 0}, false), {}, 32));
        vmouse_state s = state();
        QCOMPARE(s.lightMode, 4);
        QCOMPARE(s.lightSlot, 5);
        QCOMPARE(s.lightBrightness, 37);
        QCOMPARE(s.lightSpeed, 7);
    }

    void keysAreDecodedFromWireOrder_data()
    {
        QTest::addColumn<int>("reportLength");
        QTest::newRow("32: two reports") << 32;
        QTest::newRow("64: one report") << 64;
    }
    void keysAreDecodedFromWireOrder()
    {
        QFETCH(int, reportLength);
        plug(reportLength);
        Bytes data(64, 0);
        for (int b = 0; b < 16; ++b) { // wire: param3, param2, param1, kind
            data[4 * b + 0] = static_cast<unsigned char>(b);
            data[4 * b + 1] = static_cast<unsigned char>(100 + b);
            data[4 * b + 2] = static_cast<unsigned char>(200 + b);
            data[4 * b + 3] = static_cast<unsigned char>(1 + b % 12);
        }
        data[0] = 0, data[1] = 240, data[2] = 0, data[3] = 2;    // button 0: mouse button 240
        data[28] = 0, data[29] = 0, data[30] = 3, data[31] = 12; // button 7: fixed
        const Bytes cmd = command({3, 0, 0, 1, 0, 0, 0}, true);
        QCOMPARE(cmd[8], 251);
        QVERIFY(writeTransfer(dev, cmd, data, reportLength));
        QCOMPARE(int(lines("output vmouse/0/command").size()), 64 / reportLength);
        vmouse_state s = state();
        QCOMPARE(s.errors, 0u);
        QCOMPARE(s.commands, 1u);
        const unsigned char b0[4] = {2, 0, 240, 0}, b7[4] = {12, 3, 0, 0};
        QVERIFY(std::memcmp(s.keys[0], b0, 4) == 0);
        QVERIFY(std::memcmp(s.keys[7], b7, 4) == 0);
        for (int b : {1, 9, 15}) {
            QCOMPARE(s.keys[b][0], 1 + b % 12);
            QCOMPARE(s.keys[b][1], 200 + b);
            QCOMPARE(s.keys[b][2], 100 + b);
            QCOMPARE(s.keys[b][3], b);
        }
    }

    void colours()
    {
        plug(64);
        Bytes data(64, 0);
        for (int i = 0; i < 24; ++i)
            data[i] = static_cast<unsigned char>(i < 18 ? 10 * i : 255);
        const Bytes cmd = command({12, 0, 0, 1, 0, 0, 0}, true);
        QCOMPARE(cmd[8], 242);
        QVERIFY(writeTransfer(dev, cmd, data, 64));
        vmouse_state s = state();
        QCOMPARE(QByteArray(reinterpret_cast<char *>(s.colors), 64),
                 QByteArray(reinterpret_cast<char *>(data.data()), 64));
        QCOMPARE(s.errors, 0u);
    }

    // A length that does not divide 192 leaves a zero-padded last report.
    void macroPerButton_data()
    {
        QTest::addColumn<int>("reportLength");
        QTest::newRow("32") << 32;
        QTest::newRow("64") << 64;
        QTest::newRow("50, padded") << 50;
    }
    void macroPerButton()
    {
        QFETCH(int, reportLength);
        plug(reportLength);
        Bytes m3(192, 0), m15(192, 0);
        for (int i = 0; i < 192; ++i) {
            m3[i] = static_cast<unsigned char>(i);
            m15[i] = static_cast<unsigned char>(255 - i);
        }
        QVERIFY(writeTransfer(dev, command({5, 0, 3, 3, 0, 0, 0}, true), m3, reportLength));
        QVERIFY(writeTransfer(dev, command({5, 0, 15, 3, 0, 0, 0}, true), m15, reportLength));
        QCOMPARE(int(lines("output").size()), 2 * ((192 + reportLength - 1) / reportLength));
        vmouse_state s = state();
        QCOMPARE(s.errors, 0u);
        QCOMPARE(s.commands, 2u);
        QVERIFY(std::memcmp(s.macros[3], m3.data(), 192) == 0);
        QVERIFY(std::memcmp(s.macros[15], m15.data(), 192) == 0);
        const unsigned char zeros[192] = {};
        QVERIFY(std::memcmp(s.macros[4], zeros, 192) == 0);
    }

    void levelQueryAnswersCurrentLevel()
    {
        QVERIFY(writeTransfer(dev, command({7, 2, 31, 15, 31, 63, 127}, false), {}, 32));
        const Bytes query = command({135, 0, 0, 0, 0, 0, 0}, true);
        QCOMPARE(query[8], 120);
        QCOMPARE(hid_send_feature_report(dev, query.data(), 9), 9);
        unsigned char answer[9] = {0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        QCOMPARE(hid_get_feature_report(dev, answer, 9), 9); // right away: reads are not paced
        const unsigned char expected[9] = {0, 135, 2, 0, 0, 0, 0, 0, 0};
        QVERIFY(std::memcmp(answer, expected, 9) == 0);

        vmouse_press_dpi_button(id, 4);
        QCOMPARE(hid_send_feature_report(dev, query.data(), 9), 9);
        QCOMPARE(hid_get_feature_report(dev, answer, 9), 9);
        QCOMPARE(answer[2], 4);
        QCOMPARE(state().errors, 0u);
        QCOMPARE(lines("get-feature").back().substr(lines("get-feature").back().find("get-feature")),
                 std::string("get-feature vmouse/0/command 00 87 04 00 00 00 00 00 00 # level 4"));
    }

    void badChecksumIsNotApplied()
    {
        Bytes rate = command({1, 2, 3, 3, 15, 0, 0}, true);
        rate[8] ^= 1;
        QVERIFY(writeTransfer(dev, rate, {}, 32));
        // A keys command with a bad checksum: its data is dropped without further errors.
        Bytes keys = command({3, 0, 0, 1, 0, 0, 0}, true);
        keys[8] = 0;
        QVERIFY(writeTransfer(dev, keys, Bytes(64, 7), 32));
        vmouse_state s = state();
        QCOMPARE(s.reportRate, 0);
        QCOMPARE(s.keys[0][0], 0);
        QCOMPARE(s.commands, 0u);
        QCOMPARE(s.errors, 2u);
        QCOMPARE(int(lines("error vmouse/0/command bad checksum").size()), 2);
        // Codes without a checksum take whatever their last byte is.
        QVERIFY(writeTransfer(dev, command({6, 1, 1, 50, 6, 1, 0}, false, 99), {}, 32));
        QCOMPARE(state().lightMode, 1);
    }

    void macroForButtonOutsideTableIsRefused()
    {
        QVERIFY(writeTransfer(dev, command({5, 0, 16, 3, 0, 0, 0}, true), Bytes(192, 1), 32));
        vmouse_state s = state();
        QCOMPARE(s.commands, 0u);
        QCOMPARE(s.errors, 1u);
        QCOMPARE(int(lines("bad button").size()), 1);
    }

    void sizeErrors()
    {
        Bytes rate = command({1, 4, 3, 3, 15, 0, 0}, true);
        QCOMPARE(hid_send_feature_report(dev, rate.data(), 8), 8);
        pause32();
        Bytes longer = rate;
        longer.push_back(0);
        QCOMPARE(hid_send_feature_report(dev, longer.data(), longer.size()), 10);
        pause32();
        QCOMPARE(state().reportRate, 0);
        QCOMPARE(int(lines("bad size").size()), 2);

        // An output report one byte short is not collected; the transfer stays incomplete and
        // the next command says so.
        QCOMPARE(hid_send_feature_report(dev, command({12, 0, 0, 1, 0, 0, 0}, true).data(), 9), 9);
        pause32();
        Bytes report(32, 0);
        QCOMPARE(hid_write(dev, report.data(), report.size()), 32);
        report.resize(33);
        QCOMPARE(hid_write(dev, report.data(), report.size()), 33);
        pause32();
        QVERIFY(writeTransfer(dev, rate, {}, 32));
        vmouse_state s = state();
        QCOMPARE(s.reportRate, 4);
        QCOMPARE(int(lines("bad size").size()), 3);
        QCOMPARE(int(lines("incomplete data").size()), 1);
        QCOMPARE(s.errors, 4u);
        QCOMPARE(s.commands, 1u);
    }

    void strayReports()
    {
        Bytes report(33, 0);
        QCOMPARE(hid_write(dev, report.data(), report.size()), 33);
        QCOMPARE(int(lines("unexpected data").size()), 1);
        pause32();
        QVERIFY(writeTransfer(dev, command({99, 0, 0, 0, 0, 0, 0}, false), {}, 32));
        QCOMPARE(int(lines("unknown command").size()), 1);
        Bytes rate = command({1, 2, 3, 3, 15, 0, 0}, true);
        rate[0] = 1;
        QVERIFY(writeTransfer(dev, rate, {}, 32));
        QCOMPARE(int(lines("bad report id").size()), 1);
        // Commands sent to the event interface reach no firmware.
        hid_device *ev = openEvent(id);
        rate[0] = 0;
        QCOMPARE(hid_send_feature_report(ev, rate.data(), 9), 9);
        hid_close(ev);
        QCOMPARE(int(lines("error vmouse/0/event wrong interface").size()), 1);
        vmouse_state s = state();
        QCOMPARE(s.reportRate, 0);
        QCOMPARE(s.errors, 4u);
    }

    void pacing_data()
    {
        QTest::addColumn<int>("gapAfterFeature");
        QTest::addColumn<int>("gapAfterData");
        QTest::addColumn<int>("violations");
        QTest::newRow("paced") << 32 << 32 << 0;
        QTest::newRow("data right after the command") << 0 << 32 << 1;
        QTest::newRow("next command right after the data") << 32 << 0 << 1;
        QTest::newRow("no pauses at all") << 0 << 0 << 2;
        QTest::newRow("20 ms is too short") << 20 << 32 << 1;
    }
    void pacing()
    {
        QFETCH(int, gapAfterFeature);
        QFETCH(int, gapAfterData);
        QFETCH(int, violations);
        Bytes report(33, 0);
        QVERIFY(hid_send_feature_report(dev, command({12, 0, 0, 1, 0, 0, 0}, true).data(), 9) == 9);
        std::this_thread::sleep_for(std::chrono::milliseconds(gapAfterFeature));
        QCOMPARE(hid_write(dev, report.data(), 33), 33);
        QCOMPARE(hid_write(dev, report.data(), 33), 33); // chunks of one write are not paced
        std::this_thread::sleep_for(std::chrono::milliseconds(gapAfterData));
        QVERIFY(hid_send_feature_report(dev, command({1, 2, 3, 3, 15, 0, 0}, true).data(), 9) == 9);
        QCOMPARE(int(lines("error vmouse/0/command pacing").size()), violations);
        // Pacing is flagged, not enforced: both commands took effect.
        vmouse_state s = state();
        QCOMPARE(s.commands, 2u);
        QCOMPARE(s.reportRate, 2);
        QCOMPARE(s.errors, unsigned(violations));
    }

    void commandsWithoutDataArePacedToo()
    {
        const Bytes light = command({6, 1, 1, 50, 6, 1, 0}, false);
        QCOMPARE(hid_send_feature_report(dev, light.data(), 9), 9);
        QCOMPARE(hid_send_feature_report(dev, light.data(), 9), 9);
        QCOMPARE(int(lines("pacing").size()), 1);
        // A level query needs no pause before its answer, nor does its answer before the next read.
        pause32();
        const Bytes query = command({135, 0, 0, 0, 0, 0, 0}, true);
        unsigned char answer[9] = {};
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(hid_send_feature_report(dev, query.data(), 9), 9);
            QCOMPARE(hid_get_feature_report(dev, answer, 9), 9);
        }
        QCOMPARE(int(lines("pacing").size()), 1);
    }
};

QTEST_GUILESS_MAIN(TestFirmware)
#include "tst_firmware.moc"
