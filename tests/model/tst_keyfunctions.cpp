#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "device/controller.h"
#include "device/datapaths.h"
#include "fakeic.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "testfiles.h"

namespace {
const QString twentyFour = QStringLiteral("1_2_3_4_5_6_7_8_9_10_11_12_13_14_15_16_17_18_255_255_255_255_255_255");
}

class TestKeyFunctions : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    FakeIc fake;
    MouseData *md = nullptr;

    void setMatrix(std::initializer_list<std::pair<int, KeyFunction>> entries)
    {
        for (KeyFunction &k : md->keyMatrix)
            k = KeyFunction{0, 0, 0, 0, QString()};
        for (const auto &e : entries)
            md->keyMatrix[e.first] = e.second;
    }
    // Signals of the profile model land in the same record as the chip calls, to check order.
    void recordSignals()
    {
        connect(md, &MouseData::refreashData, this, [this](int i) { fake.calls << QStringLiteral("refreashData:%1").arg(i); });
        connect(md, &MouseData::mouseValueChanged, this, [this](const QString &l) { fake.calls << "mouseValueChanged:" + l; });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        TestFiles::makeTree(dir.path());
        DataPaths::setRoot(dir.path());
        md = MouseData::instance();
        QCOMPARE(md->languageText(11), QStringLiteral("T11"));
        recordSignals();
    }
    void cleanupTestCase()
    {
        Controller::instance()->setCurrentIc(nullptr);
        Controller::shutdown();
    }
    void init()
    {
        Controller::instance()->setCurrentIc(&fake);
        fake.calls.clear();
        md->lightValue = {1, 4, 2, 0};
        md->colorValue.clear();
        for (const QString &n : twentyFour.split('_'))
            md->colorValue << n.toUInt();
        md->isDefaultKey = 0;
        md->currentKey = 255;
    }

    void labels_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("p1");
        QTest::addColumn<int>("p2");
        QTest::addColumn<int>("p3");
        QTest::addColumn<QString>("label");
        QTest::newRow("disabled") << 0 << 0 << 0 << 0 << "T11";
        QTest::newRow("three keys") << 0 << 224 << 225 << 4 << "LCtrl+LShift+A";
        QTest::newRow("single key in param3") << 0 << 0 << 0 << 41 << "Esc";
        QTest::newRow("gap in the middle") << 0 << 224 << 0 << 4 << "LCtrl+A";
        QTest::newRow("unnamed code") << 0 << 200 << 0 << 0 << "";
        QTest::newRow("unnamed inside combination") << 0 << 224 << 200 << 4 << "LCtrl++A";
        QTest::newRow("left") << 1 << 0 << 240 << 0 << "T16";
        QTest::newRow("button 5") << 1 << 0 << 244 << 0 << "T20";
        QTest::newRow("scroll 247") << 1 << 0 << 247 << 0 << "T23";
        QTest::newRow("scroll 245") << 1 << 0 << 245 << 0 << "T25";
        QTest::newRow("right double") << 1 << 1 << 241 << 2 << "T22";
        QTest::newRow("unknown mouse") << 1 << 0 << 249 << 0 << "";
        QTest::newRow("volume up") << 4 << 0 << 0xE9 << 0 << "T36";
        QTest::newRow("next track") << 4 << 0 << 0xB5 << 0 << "T41";
        QTest::newRow("cut") << 5 << 0 << 0xE0 << 0x1B << "T42";
        QTest::newRow("consumer 0x221") << 5 << 0 << 0x21 << 0x02 << "T50";
        QTest::newRow("alt space n") << 5 << 0xE2 << 0x2C << 0x11 << "T52";
        QTest::newRow("win r") << 5 << 0 << 0xE3 << 0x15 << "T53";
        QTest::newRow("dpi cycle") << 6 << 3 << 0 << 0 << "T56";
        QTest::newRow("dpi unknown") << 6 << 4 << 0 << 0 << "";
        QTest::newRow("kind 3") << 3 << 0 << 0 << 0 << "";
        QTest::newRow("kind 12") << 12 << 3 << 0 << 0 << "";
        QTest::newRow("launch bad param3") << 7 << 1 << 2 << 2 << "";
    }
    void labels()
    {
        QFETCH(int, kind);
        QFETCH(int, p1);
        QFETCH(int, p2);
        QFETCH(int, p3);
        QFETCH(QString, label);
        QCOMPARE(md->functionText(kind, p1, p2, p3), label);
    }

    void macroAndLaunchLabels()
    {
        MacroData::instance()->macroNames() = {"first", "second", "third"};
        QCOMPARE(md->functionText(2, 1, 1, 3), QStringLiteral("second"));
        QCOMPARE(md->functionText(2, 3, 1, 3), QStringLiteral("T108"));
        QCOMPARE(md->functionText(2, 5, 1, 3), QStringLiteral("T108"));
        MacroData::instance()->macroNames()[1] = "renamed";
        QCOMPARE(md->functionText(2, 1, 0, 0), QStringLiteral("renamed"));
        MacroData::instance()->macroNames().clear();

        md->runHttps = "https://example.com/x";
        QCOMPARE(md->functionText(7, 1, 1, 1), md->runHttps);
        md->runProgram = "/opt/games/app.exe";
        QCOMPARE(md->functionText(7, 1, 2, 1), QStringLiteral("app"));
        md->runProgram = "C:\\Games\\app.exe";
        QCOMPARE(md->functionText(7, 1, 2, 1), QStringLiteral("app"));
        md->runProgram = QStringLiteral("C:/游戏/my.app.exe");
        QCOMPARE(md->functionText(7, 1, 2, 1), QStringLiteral("my"));
        md->runProgram.clear();
        md->runHttps.clear();
    }

    void keyNameTable()
    {
        QCOMPARE(md->keyNames.size(), 133);   // every code listed for the table, 137 included
        QCOMPARE(md->keyNames.value(4), QStringLiteral("A"));
        QCOMPARE(md->keyNames.value(29), QStringLiteral("Z"));
        QCOMPARE(md->keyNames.value(38), QStringLiteral("9"));
        QCOMPARE(md->keyNames.value(39), QStringLiteral("0"));
        QCOMPARE(md->keyNames.value(49), QStringLiteral("\\"));
        QCOMPARE(md->keyNames.value(50), QStringLiteral("\\"));
        QCOMPARE(md->keyNames.value(69), QStringLiteral("F12"));
        QCOMPARE(md->keyNames.value(97), QStringLiteral("KP9"));
        QCOMPARE(md->keyNames.value(98), QStringLiteral("KP0"));
        QCOMPARE(md->keyNames.value(115), QStringLiteral("F24"));
        QVERIFY(md->keyNames.contains(137));
        for (int missing : {116, 132, 134, 140, 146, 223, 232, 239, 245})
            QVERIFY2(!md->keyNames.contains(missing), qPrintable(QString::number(missing)));
    }

    void keyCodeTakesLowestCode_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::newRow("backslash") << "\\" << 49;
        QTest::newRow("slash") << "/" << 56;
        QTest::newRow("enter") << "Enter" << 40;
        QTest::newRow("minus") << "-" << 45;
        QTest::newRow("dot") << "." << 55;
        QTest::newRow("plus") << "+" << 87;
        QTest::newRow("mouse") << "MS-B5" << 244;
        QTest::newRow("unknown") << "Nope" << 0;
        QTest::newRow("case matters") << "esc" << 0;
    }
    void keyCodeTakesLowestCode()
    {
        QFETCH(QString, name);
        QFETCH(int, code);
        QCOMPARE(md->keyCode(name), code);
    }

    void keyFunctionIndexRange()
    {
        QVERIFY(md->keyFunction(0));
        QVERIFY(md->keyFunction(15));
        QVERIFY(!md->keyFunction(16));
        QVERIFY(!md->keyFunction(-1));
    }

    void setKeySendsKeysThenLighting()
    {
        setMatrix({{0, {1, 0, 240, 0, {}}}, {1, {1, 0, 241, 0, {}}}});
        md->currentKey = 2;
        md->setKeyFunction(4, 0, 0xE9, 0, "Vol+");

        QStringList expectedKeys = {"1_0_240_0", "1_0_241_0", "4_0_233_0"};
        for (int i = 3; i < 16; ++i)
            expectedKeys << "0_0_0_0";
        QCOMPARE(fake.calls, QStringList({"refreashData:1", "setKeys:" + expectedKeys.join('_'),
                                          "setColors:" + twentyFour, "setLighting:1_4_2_0",
                                          "mouseValueChanged:Vol+"}));
        QVERIFY(md->keyFunction(2)->is(4, 0, 0xE9, 0));
        QCOMPARE(md->keyFunction(2)->label, QStringLiteral("Vol+"));
    }

    void setKeyVariants()
    {
        setMatrix({{0, {1, 0, 240, 0, {}}}});
        md->currentKey = 1;

        md->isDefaultKey = 1;   // already on the profile's layout: no layout switch
        md->setKeyFunction(0, 0, 4, 0, "A");
        QCOMPARE(fake.operations(), QStringList({"setKeys", "setColors", "setLighting", "mouseValueChanged"}));

        fake.calls.clear();
        md->lightValue = {1, 4, 2};   // not a valid lighting list: keys only
        md->setKeyFunction(0, 0, 5, 0, "B");
        QCOMPARE(fake.operations(), QStringList({"setKeys", "mouseValueChanged"}));

        fake.calls.clear();
        md->lightValue = {1, 4, 2, 0};
        md->colorValue.clear();
        md->setKeyFunction(0, 0, 6, 0, "C");
        QCOMPARE(fake.operations(), QStringList({"setKeys", "mouseValueChanged"}));

        // Without a mouse the entry and the signals still change.
        fake.calls.clear();
        Controller::instance()->setCurrentIc(nullptr);
        md->setKeyFunction(0, 0, 7, 0, "D");
        QCOMPARE(fake.calls, QStringList({"mouseValueChanged:D"}));
        QVERIFY(md->keyFunction(1)->is(0, 0, 7, 0));

        // No key selected: nothing happens.
        fake.calls.clear();
        md->currentKey = 255;
        md->setKeyFunction(0, 0, 8, 0, "E");
        QVERIFY(fake.calls.isEmpty());
    }

    void lastLeftButtonIsGuarded()
    {
        setMatrix({{0, {1, 0, 240, 0, {}}}, {3, {1, 0, 240, 0, {}}}});
        md->currentKey = 3;
        md->setKeyFunction(0, 0, 4, 0, "A");
        QVERIFY(md->keyFunction(3)->is(0, 0, 4, 0));

        fake.calls.clear();
        md->currentKey = 0;
        md->setKeyFunction(0, 0, 5, 0, "B");
        QVERIFY(md->keyFunction(0)->is(1, 0, 240, 0));
        QVERIFY(fake.calls.isEmpty());

        // A button holding another code may still become a second left button.
        md->currentKey = 5;
        md->setKeyFunction(1, 0, 240, 0, "L");
        QVERIFY(md->keyFunction(5)->is(1, 0, 240, 0));
    }

    void sendAllKeysKeepsMatrix()
    {
        setMatrix({{0, {1, 0, 240, 0, {}}}, {5, {6, 1, 0, 0, {}}}});
        md->isDefaultKey = 1;
        md->sendAllKeys();
        QCOMPARE(fake.operations(), QStringList({"refreashData", "setKeys", "setColors", "setLighting"}));
        QCOMPARE(fake.calls.at(0), QStringLiteral("refreashData:1"));
        QVERIFY(fake.calls.at(1).startsWith("setKeys:1_0_240_0_0_0_0_0_0_0_0_0_0_0_0_0_0_0_0_0_6_1_0_0_"));
        QCOMPARE(fake.calls.at(1).count('_'), 63);
        QVERIFY(md->keyFunction(5)->is(6, 1, 0, 0));
    }

    void restoreDefaultKeysLeavesProfile()
    {
        TestFiles::write(dir.path() + "/data/pD.bin",
                         "[mouseKeyMatrix]\n0=1, 0, 240, 0\n1=1, 0, 241, 0\n2=1, 0, 242, 0\n");
        MouseDefaultData *dd = MouseDefaultData::instance();
        dd->load();
        QCOMPARE(dd->defaultKeyMatrix.size(), 3);
        QCOMPARE(dd->defaultKeyFunction(1)->label, QStringLiteral("T17"));

        setMatrix({{0, {1, 0, 240, 0, {}}}, {1, {0, 0, 4, 0, {}}}, {15, {0, 0, 5, 0, {}}}});
        QSignalSpy spy(dd, &MouseDefaultData::refreashData);
        dd->restoreDefaultKeys();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 0);
        QCOMPARE(fake.operations(), QStringList({"setKeys", "setColors", "setLighting"}));
        // The short factory table is completed with the profile's own codes: always 16 buttons.
        QVERIFY(fake.calls.at(0).startsWith("setKeys:1_0_240_0_1_0_241_0_1_0_242_0_0_0_0_0_"));
        QVERIFY(fake.calls.at(0).endsWith("_0_0_5_0"));
        QCOMPARE(fake.calls.at(0).count('_'), 63);
        QVERIFY(md->keyFunction(1)->is(0, 0, 4, 0));

        fake.calls.clear();
        md->sendAllKeys();
        QVERIFY(fake.calls.at(1).startsWith("setKeys:1_0_240_0_0_0_4_0_"));
    }

    void editedMacroIsResentToItsButtons()
    {
        MacroData *macros = MacroData::instance();
        macros->macroNames() = {"m0", "m1"};
        macros->macroActions() = {"1@#A_-1@#A_-0", "2@#B_-1@#10_-2@#B_-0"};
        setMatrix({{0, {1, 0, 240, 0, {}}}, {2, {2, 1, 1, 2, {}}}, {3, {2, 0, 1, 3, {}}}, {5, {2, 1, 3, 5, {}}}});
        md->macroActionChangedProc(1);
        QCOMPARE(fake.calls, QStringList({"setMacro:2:2@#B_-1_-10@#B_-0_-0", "setMacro:5:2@#B_-1_-10@#B_-0_-0"}));
        macros->macroNames().clear();
        macros->macroActions().clear();
    }
};

QTEST_GUILESS_MAIN(TestKeyFunctions)
#include "tst_keyfunctions.moc"
