#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic553.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"
#include "vmousetrace.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

struct Sent
{
    int length;
    QString text;
    QVector<int> numbers() const
    {
        QVector<int> out;
        for (const QString &p : text.split('_'))
            out << p.toInt();
        return out;
    }
    QVector<int> data() const { return numbers().mid(9); }
};

QList<Sent> sentBy(QSignalSpy &spy)
{
    QList<Sent> out;
    for (const QList<QVariant> &args : spy)
        out.append({args.at(0).toInt(), args.at(1).toString()});
    return out;
}

QString joined(const QVector<int> &numbers)
{
    QStringList parts;
    for (int n : numbers)
        parts << QString::number(n);
    return parts.join('_');
}

// 16 buttons, all (0,0,0,0) except the ones given.
QString keyMatrix(const QMap<int, QVector<int>> &buttons)
{
    QVector<int> numbers(64, 0);
    for (auto it = buttons.begin(); it != buttons.end(); ++it)
        for (int i = 0; i < 4; ++i)
            numbers[it.key() * 4 + i] = it.value().at(i);
    return joined(numbers);
}

QString dpiText(const QVector<int> &x, const QVector<int> &y, int level, int mask)
{
    return joined(QVector<int>(x) << y << level << mask);
}

} // namespace

class TestIc553 : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    Ic553 *ic = nullptr;

    QList<Sent> send(const std::function<void()> &call)
    {
        QSignalSpy spy(Controller::instance(), &Controller::send);
        call();
        return sentBy(spy);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath("data"));
        for (const char *f : {"data/apConfig.bin", "data/pD.bin"})
            QVERIFY(QFile::copy(QStringLiteral(MOUSECFG_BIN_DIR "/") + f, dir.filePath(f)));
        DataPaths::setRoot(dir.path());
        ic = Ic553::instance();
        QCOMPARE(Ic553::instance(), ic);
    }
    void cleanupTestCase()
    {
        Controller::shutdown();
        vmouse_reset();
    }

    void reportRate_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1000 Hz") << "1" << "0_1_1_3_3_15_0_0_232";
        QTest::newRow("125 Hz") << "8" << "0_1_8_3_3_15_0_0_225";
        QTest::newRow("wraps to a byte") << "257" << "0_1_1_3_3_15_0_0_232";
        QTest::newRow("not a number") << "x" << "0_1_0_3_3_15_0_0_233";
    }
    void reportRate()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        const QList<Sent> sent = send([&] { ic->setReportRate(value); });
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].length, 0);
        QCOMPARE(sent[0].text, expected);
    }

    void dpiEncoding_data()
    {
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("high");
        QTest::newRow("family 0, 800") << 0 << 800 << 15 << false;
        QTest::newRow("family 0, 7200 at threshold") << 0 << 7200 << 143 << false;
        QTest::newRow("family 0, 7300 above") << 0 << 7300 << 72 << true;
        QTest::newRow("family 5, 7300 above") << 5 << 7300 << 72 << true;
        QTest::newRow("family 1, 16000") << 1 << 16000 << 159 << true;
        QTest::newRow("family 1, 12800 at threshold") << 1 << 12800 << 255 << false;
        QTest::newRow("family 6, 7300 below") << 6 << 7300 << 145 << false;
        QTest::newRow("50-step truncates") << 0 << 849 << 15 << false;
    }
    // The value goes to every level of both axes, so each position and each mask bit is checked.
    void dpiEncoding()
    {
        QFETCH(int, family);
        QFETCH(int, dpi);
        QFETCH(int, code);
        QFETCH(bool, high);
        MouseData::instance()->deviceType = uchar(family);
        const QVector<int> all(8, dpi);
        const QList<Sent> sent = send([&] { ic->setDpi(dpiText(all, all, 3, 7)); });
        QCOMPARE(sent.size(), 4);
        const int mask = high ? 255 : 0;
        const QVector<QString> expected = {
            joined({0, 8, code, code, code, code, mask, 0, 0}),
            joined({0, 7, 3, 7, code, code, code, code, 0}),
            joined({0, 24, code, code, code, code, mask, 0, 0}),
            joined({0, 23, 0, 0, code, code, code, code, 0}),
        };
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(sent[i].length, 0);
            QCOMPARE(sent[i].text, expected[i]);
        }
    }

    void dpiLevelsGoToTheirPositions()
    {
        MouseData::instance()->deviceType = 1;
        // X levels 100..800 DPI step 100, Y the same plus 20000 on level 6 (high range).
        QVector<int> x, y;
        for (int i = 0; i < 8; ++i) {
            x << (i + 1) * 100;
            y << (i + 1) * 100;
        }
        y[6] = 20000;
        const QList<Sent> sent = send([&] { ic->setDpi(dpiText(x, y, 2, 31)); });
        QCOMPARE(sent.size(), 4);
        QCOMPARE(sent[0].text, joined({0, 8, 9, 11, 13, 15, 0, 0, 0}));
        QCOMPARE(sent[1].text, joined({0, 7, 2, 31, 1, 3, 5, 7, 0}));
        QCOMPARE(sent[2].text, joined({0, 24, 9, 11, 199, 15, 1 << 6, 0, 0}));
        QCOMPARE(sent[3].text, joined({0, 23, 0, 0, 1, 3, 5, 7, 0}));
    }

    void dpiWithTooFewNumbersSendsNothing()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("setDpi"));
        QVERIFY(send([&] { ic->setDpi("800_1600_0_1"); }).isEmpty());
    }

    void keyTranslation_data()
    {
        QTest::addColumn<QVector<int>>("code");
        QTest::addColumn<QVector<int>>("wire"); // param3, param2, param1, kind
        QTest::newRow("keyboard") << QVector<int>{0, 224, 6, 0} << QVector<int>{0, 6, 224, 1};
        QTest::newRow("left button") << QVector<int>{1, 0, 240, 0} << QVector<int>{0, 240, 0, 2};
        QTest::newRow("middle button") << QVector<int>{1, 0, 242, 0} << QVector<int>{0, 242, 0, 2};
        QTest::newRow("left double") << QVector<int>{1, 1, 240, 2} << QVector<int>{2, 240, 1, 12};
        QTest::newRow("right double") << QVector<int>{1, 1, 241, 2} << QVector<int>{2, 241, 1, 12};
        QTest::newRow("param1 1, param3 not 2") << QVector<int>{1, 1, 241, 0} << QVector<int>{0, 241, 1, 2};
        QTest::newRow("247") << QVector<int>{1, 0, 247, 0} << QVector<int>{0, 1, 1, 5};
        QTest::newRow("248") << QVector<int>{1, 0, 248, 0} << QVector<int>{0, 1, 2, 5};
        QTest::newRow("245") << QVector<int>{1, 0, 245, 0} << QVector<int>{0, 1, 3, 5};
        QTest::newRow("246") << QVector<int>{1, 0, 246, 0} << QVector<int>{0, 1, 4, 5};
        QTest::newRow("macro") << QVector<int>{2, 1, 3, 0} << QVector<int>{0, 3, 1, 10};
        QTest::newRow("kind 3") << QVector<int>{3, 1, 2, 3} << QVector<int>{3, 2, 1, 3};
        QTest::newRow("multimedia") << QVector<int>{4, 0, 0xE9, 0} << QVector<int>{0, 0xE9, 0, 4};
        QTest::newRow("shortcut Ctrl+X") << QVector<int>{5, 0, 0xE0, 0x1B} << QVector<int>{0x1B, 0xE0, 0, 1};
        QTest::newRow("shortcut 0x0194") << QVector<int>{5, 0, 0x94, 1} << QVector<int>{1, 0x94, 0, 4};
        QTest::newRow("shortcut 0x0221") << QVector<int>{5, 0, 0x21, 2} << QVector<int>{2, 0x21, 0, 4};
        QTest::newRow("shortcut 0x94 with param1") << QVector<int>{5, 1, 0x94, 1} << QVector<int>{1, 0x94, 1, 1};
        QTest::newRow("DPI function") << QVector<int>{6, 2, 0, 0} << QVector<int>{0, 0, 2, 8};
        QTest::newRow("launch") << QVector<int>{7, 1, 2, 1} << QVector<int>{1, 2, 1, 7};
        QTest::newRow("kind 9") << QVector<int>{9, 1, 2, 3} << QVector<int>{3, 2, 1, 9};
    }
    void keyTranslation()
    {
        QFETCH(QVector<int>, code);
        QFETCH(QVector<int>, wire);
        // Button 3 is no fixed button: what goes in is what the table makes of it.
        const QList<Sent> sent = send([&] { ic->setKeys(keyMatrix({{3, code}})); });
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].length, 64);
        QCOMPARE(sent[0].numbers().mid(0, 9), (QVector<int>{0, 3, 0, 0, 1, 0, 0, 0, 251}));
        QCOMPARE(sent[0].data().size(), 64);
        QCOMPARE(sent[0].data().mid(12, 4), wire);
    }

    void fixedButtons()
    {
        const QMap<int, QVector<int>> keys = {
            {0, {1, 0, 240, 0}}, {7, {0, 4, 0, 0}}, {14, {0, 0, 5, 0}}, {15, {6, 1, 0, 0}}};
        const QList<Sent> sent = send([&] { ic->setKeys(keyMatrix(keys)); });
        QCOMPARE(sent.size(), 1);
        const QVector<int> data = sent[0].data();
        QCOMPARE(data.mid(0, 4), (QVector<int>{0, 240, 0, 2}));
        QCOMPARE(data.mid(28, 4), (QVector<int>{0, 0, 3, 12}));
        // 14 and 15 keep their translated parameters but always go as kind 5.
        QCOMPARE(data.mid(56, 4), (QVector<int>{0, 5, 0, 5}));
        QCOMPARE(data.mid(60, 4), (QVector<int>{0, 0, 1, 5}));
        // An unassigned button goes as a keyboard code with no key.
        QCOMPARE(data.mid(4, 4), (QVector<int>{0, 0, 0, 1}));
    }

    void shortKeyMatrixSendsNothing()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("setKeys"));
        QVERIFY(send([&] { ic->setKeys("1_0_240_0_0_0_0_0"); }).isEmpty());
    }

    void colors()
    {
        QVector<int> colours;
        for (int i = 0; i < 18; ++i)
            colours << i * 10;
        colours << QVector<int>(6, 255);
        const QList<Sent> sent = send([&] { ic->setColors(joined(colours)); });
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].length, 64);
        QCOMPARE(sent[0].text, "0_12_0_0_1_0_0_0_242_" + joined(colours) + "_" + joined(QVector<int>(40, 0)));
    }

    void colorsWithWrongCountSendNothing()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("setColors"));
        QVERIFY(send([&] { ic->setColors(joined(QVector<int>(23, 1))); }).isEmpty());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("setColors"));
        QVERIFY(send([&] { ic->setColors(joined(QVector<int>(25, 1))); }).isEmpty());
    }

    void lighting_data()
    {
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("expected"); // mode, slot, brightness, speed
        QTest::newRow("off") << "0_4_4_2" << "0_6_0_2_0_6_1_0_0";
        QTest::newRow("steady, brightness 0") << "1_0_4_0" << "0_6_0_0_0_6_1_0_0";
        QTest::newRow("steady, brightness 1") << "1_1_0_0" << "0_6_0_0_12_6_1_0_0";
        QTest::newRow("steady, brightness 3") << "1_3_0_0" << "0_6_0_0_37_6_1_0_0";
        QTest::newRow("steady, brightness 4") << "1_4_0_5" << "0_6_0_5_50_6_1_0_0";
        QTest::newRow("effect 2, speed 0") << "2_0_0_1" << "0_6_1_1_50_1_1_0_0";
        QTest::newRow("effect 3, speed 1") << "3_0_1_1" << "0_6_2_1_50_3_1_0_0";
        QTest::newRow("effect 4, speed 2") << "4_0_2_1" << "0_6_4_1_50_5_1_0_0";
        QTest::newRow("effect 5, speed 3") << "5_0_3_1" << "0_6_3_1_50_7_1_0_0";
        QTest::newRow("effect 5, speed 4") << "5_0_4_3" << "0_6_3_3_50_10_1_0_0";
        QTest::newRow("unknown effect keeps the start") << "9_4_4_2" << "0_6_0_2_50_6_1_0_0";
    }
    void lighting()
    {
        QFETCH(QString, values);
        QFETCH(QString, expected);
        const QList<Sent> sent = send([&] { ic->setLighting(values); });
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].length, 0);
        QCOMPARE(sent[0].text, expected);
    }

    void lightingWithWrongCountSendsNothing()
    {
        QVERIFY(send([&] { ic->setLighting("1_4_0"); }).isEmpty());
        QVERIFY(send([&] { ic->setLighting("1_4_0_1_0"); }).isEmpty());
        QVERIFY(send([&] { ic->setLighting(""); }).isEmpty());
    }

    void macroRecords()
    {
        const QList<Sent> sent = send([&] { ic->setMacro(3, "2@#A_-1_-50@#A_-0_-200"); });
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].length, 192);
        QCOMPARE(sent[0].numbers().mid(0, 9), (QVector<int>{0, 5, 0, 3, 3, 0, 0, 0, 244}));
        QVector<int> expected(192, 0);
        expected[1] = 2;
        expected[2] = 1;   // first record: carried delay 1, press
        expected[3] = 4;   // A
        expected[4] = 178; // 50 with the release bit
        expected[5] = 4;
        QCOMPARE(sent[0].data(), expected);
    }

    void macroLongDelays()
    {
        const QList<Sent> sent = send([&] {
            ic->setMacro(0, "258@#B_-1_-300@#B_-0_-126@#LCtrl_-1_-0@#LCtrl_-0_-125@#C_-1_-0");
        });
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].numbers().at(8), 247);
        const QVector<int> data = sent[0].data();
        QCOMPARE(data.mid(0, 2), (QVector<int>{1, 2}));
        QCOMPARE(data.mid(2, 2), (QVector<int>{1, 5}));
        QCOMPARE(data.mid(4, 4), (QVector<int>{255, 5, 1, 44}));  // release after 300 ms
        QCOMPARE(data.mid(8, 4), (QVector<int>{127, 224, 0, 126})); // press after 126 ms
        QCOMPARE(data.mid(12, 2), (QVector<int>{0x80 | 1, 224}));  // 0 ms becomes 1
        QCOMPARE(data.mid(14, 2), (QVector<int>{125, 6}));          // 125 still fits 2 bytes
        QCOMPARE(data.mid(16), QVector<int>(176, 0));
    }

    void macroUnknownKeyAndLowestCode()
    {
        const QList<Sent> sent = send([&] { ic->setMacro(1, "1@#Nope_-1_-10@#Enter_-0_-0@#MS-L_-1_-0"); });
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].data().mid(2, 6), (QVector<int>{1, 0, 0x80 | 10, 40, 1, 240}));
    }

    void macroCutOff()
    {
        // 100 two-byte records would need 200 bytes: writing stops once the position passes 185.
        QStringList items{"1"};
        for (int i = 0; i < 100; ++i)
            items << QStringLiteral("A_-%1_-10").arg(i % 2);
        const QList<Sent> sent = send([&] { ic->setMacro(2, items.join("@#")); });
        QCOMPARE(sent.size(), 1);
        const QVector<int> data = sent[0].data();
        QCOMPARE(data.size(), 192);
        QCOMPARE(data.mid(182, 4), (QVector<int>{0x80 | 10, 4, 10, 4})); // the last two records
        QCOMPARE(data.mid(186), QVector<int>(6, 0));

        // Four-byte records after a two-byte first one: the last starts at 184 and ends at 187.
        items = QStringList{"1"};
        for (int i = 0; i < 60; ++i)
            items << QStringLiteral("B_-1_-1000");
        const QList<Sent> longSent = send([&] { ic->setMacro(2, items.join("@#")); });
        QCOMPARE(longSent.size(), 1);
        const QVector<int> longData = longSent[0].data();
        QCOMPARE(longData.size(), 192);
        QCOMPARE(longData.mid(180, 8), (QVector<int>{127, 5, 3, 232, 127, 5, 3, 232}));
        QCOMPARE(longData.mid(188), QVector<int>(4, 0));
    }

    // The delay left by an earlier macro must not leak into the first record of the next one.
    void macroStartsFromDelayOne()
    {
        const QString macro = QStringLiteral("1@#A_-1_-20@#A_-0_-0");
        const QList<Sent> first = send([&] { ic->setMacro(4, macro); });
        QCOMPARE(send([&] { ic->setMacro(5, "1@#B_-1_-300@#B_-0_-900"); }).size(), 1);
        const QList<Sent> again = send([&] { ic->setMacro(4, macro); });
        QCOMPARE(first.size(), 1);
        QCOMPARE(again.size(), 1);
        QCOMPARE(again[0].text, first[0].text);
        QCOMPARE(first[0].data().mid(2, 4), (QVector<int>{1, 4, 0x80 | 20, 4}));
    }

    void malformedMacroSendsNothing()
    {
        QVERIFY(send([&] { ic->setMacro(0, "1@#A_-1_-10@#A_-0"); }).isEmpty());
        QVERIFY(send([&] { ic->setMacro(0, "1@#A_-1_-10_-5"); }).isEmpty());
    }

    void headerOnlyMacro()
    {
        const QList<Sent> sent = send([&] { ic->setMacro(15, "3"); });
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].numbers().at(8), 232); // 247 - 15
        QVector<int> expected(192, 0);
        expected[1] = 3;
        QCOMPARE(sent[0].data(), expected);
    }

    void readAndParseDpiLevel()
    {
        QSignalSpy reads(Controller::instance(), &Controller::receive);
        ic->readCurrentDpiLevel();
        QCOMPARE(reads.size(), 1);
        QCOMPARE(reads[0].at(0).toInt(), 0);
        QCOMPARE(reads[0].at(1).toString(), QStringLiteral("0_135_0_0_0_0_0_0_120"));
        QCOMPARE(ic->pendingRequest, 0);

        MouseData *model = MouseData::instance();
        QSignalSpy pressed(model, &MouseData::dpiKeyPressed);
        model->currentDpiLevel = 0;
        ic->parseReply("0_2_0_0_0_0_0_0");
        QCOMPARE(int(model->currentDpiLevel), 2);
        QCOMPARE(pressed.size(), 1);
        QCOMPARE(pressed[0].at(0).toInt(), 2);

        ic->parseReply("0_260_0_0_0_0_0_0");
        QCOMPARE(int(model->currentDpiLevel), 4);

        // Too short to carry a level: nothing changes.
        ic->parseReply("7");
        ic->parseReply("");
        QCOMPARE(int(model->currentDpiLevel), 4);
        QCOMPARE(pressed.size(), 2);
    }

    // Attaching makes Ic553 current; the pages, told by deviceChange, already find the
    // factory lists of the new family.
    void attachAndDetach()
    {
        vmouse_reset();
        Controller *controller = Controller::instance();
        MouseData *model = MouseData::instance();
        QVariantList factoryAtChange;
        const QMetaObject::Connection c = connect(model, &MouseData::deviceChange, this, [&] {
            factoryAtChange = MouseDefaultData::instance()->xDpiList;
        });
        QSignalSpy checked(controller, &Controller::deviceChecked);

        const int first = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
        emit controller->check();
        QVERIFY(checked.wait(5000));
        QCOMPARE(checked.last().at(0).toInt(), 0);
        QCOMPARE(int(model->deviceType), 0);
        QCOMPARE(controller->currentIc(), static_cast<Ic *>(ic));
        QCOMPARE(factoryAtChange.value(7).toString(), QStringLiteral("12000"));

        vmouse_unplug(first);
        vmouse_plug(0xf0e1, 0x7a02, 0xff00, 1, 0xff01, 1, 32);
        emit controller->check();
        QVERIFY(checked.wait(5000));
        QCOMPARE(int(model->deviceType), 1);
        QCOMPARE(factoryAtChange.value(7).toString(), QStringLiteral("16000"));
        QCOMPARE(model->maxDpi, 16000);

        vmouse_reset();
        emit controller->check();
        QVERIFY(checked.wait(5000));
        QCOMPARE(checked.last().at(0).toInt(), -1);
        QCOMPARE(int(model->deviceType), 255);
        QVERIFY(!controller->currentIc());
        disconnect(c);
    }

    void throughTheVirtualMouse()
    {
        vmouse_reset();
        Controller *controller = Controller::instance();
        MouseData *model = MouseData::instance();
        QSignalSpy checked(controller, &Controller::deviceChecked);
        QSignalSpy failed(controller, &Controller::transferFailed);
        const int id = vmouse_plug(0xf0e1, 0x7a06, 0xff00, 1, 0xff01, 1, 64); // family 5, 64-byte reports
        emit controller->check();
        QVERIFY(checked.wait(5000));
        QCOMPARE(int(model->deviceType), 5);

        ic->setKeys(keyMatrix({{0, {1, 0, 240, 0}}, {1, {5, 0, 0x94, 1}}, {2, {2, 1, 2, 2}}}));
        QVector<int> x{800, 1600, 7300, 3200, 400, 0, 0, 0};
        ic->setDpi(dpiText(x, x, 1, 7));
        ic->setReportRate("4");
        QVector<int> colours(24, 255);
        colours[0] = 12;
        ic->setColors(joined(colours));
        ic->setLighting("3_0_4_2");
        ic->setMacro(2, "1@#A_-1_-300@#A_-0_-0");

        // The read is answered after every write before it: the level is the one just sent.
        QSignalSpy pressed(model, &MouseData::dpiKeyPressed);
        ic->readCurrentDpiLevel();
        QVERIFY(pressed.wait(10000));
        QCOMPARE(pressed.last().at(0).toInt(), 1);
        // A level chosen on the mouse itself.
        vmouse_press_dpi_button(id, 3);
        ic->readCurrentDpiLevel();
        QVERIFY(pressed.wait(10000));
        QCOMPARE(pressed.last().at(0).toInt(), 3);
        QCOMPARE(int(model->currentDpiLevel), 3);
        QCOMPARE(failed.size(), 0);

        vmouse_state st{};
        QCOMPARE(vmouse_get_state(id, &st), 0);
        QCOMPARE(QVector<int>(st.keys[0], st.keys[0] + 4), (QVector<int>{2, 0, 240, 0}));
        QCOMPARE(QVector<int>(st.keys[1], st.keys[1] + 4), (QVector<int>{4, 0, 0x94, 1}));
        QCOMPARE(QVector<int>(st.keys[2], st.keys[2] + 4), (QVector<int>{10, 1, 2, 2}));
        QCOMPARE(QVector<int>(st.keys[7], st.keys[7] + 4), (QVector<int>{12, 3, 0, 0}));
        QCOMPARE(QVector<int>(st.dpiX, st.dpiX + 5), (QVector<int>{15, 31, 72, 63, 7}));
        QCOMPARE(QVector<int>(st.dpiY, st.dpiY + 5), (QVector<int>{15, 31, 72, 63, 7}));
        QCOMPARE(int(st.xHighMask), 1 << 2);
        QCOMPARE(int(st.yHighMask), 1 << 2);
        QCOMPARE(int(st.enableMask), 7);
        QCOMPARE(int(st.reportRate), 4);
        QCOMPARE(int(st.colors[0]), 12);
        QCOMPARE(int(st.colors[24]), 0);
        QCOMPARE(int(st.lightMode), 2);
        QCOMPARE(int(st.lightSlot), 2);
        QCOMPARE(int(st.lightSpeed), 10);
        QCOMPARE(QVector<int>(st.macros[2], st.macros[2] + 8), (QVector<int>{0, 1, 1, 4, 255, 4, 1, 44}));
        QCOMPARE(st.errors, 0u);
        QVERIFY2(VmouseTrace::lines("error").isEmpty(), qPrintable(VmouseTrace::raw()));
    }
};

QTEST_GUILESS_MAIN(TestIc553)
#include "tst_ic553.moc"
