#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "device/controller.h"
#include "device/datapaths.h"
#include "fakeic.h"
#include "model/macrodata.h"
#include "testfiles.h"

class TestMacroStore : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    FakeIc fake;
    MacroData *macros = nullptr;
    int roots = 0;

    // A fresh data tree for each case: QSettings caches files by path within the process, and
    // a new path is read from disk, as by the next start of the program.
    QString newRoot()
    {
        const QString root = dir.path() + QStringLiteral("/r%1").arg(roots++);
        QDir().mkpath(root + "/data");
        DataPaths::setRoot(root);
        return root;
    }
    // Moves the store to a new tree and loads it there, so that it is parsed from its bytes.
    void reloadFromDisk()
    {
        const QString old = DataPaths::macroStore();
        newRoot();
        QFile::copy(old, DataPaths::macroStore());
        macros->load();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        macros = MacroData::instance();
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
    }

    void loadKeepsLeftOverActions()
    {
        const QString root = newRoot();
        TestFiles::write(root + "/data/macro.bin",
                         "[macro]\nmacroName=one@#two\n[action]\n0=1@#A_-1@#A_-0\n1=\n2=3@#B_-1@#B_-0\n");
        macros->load();
        QCOMPARE(macros->macroNames(), QStringList({"one", "two"}));
        QCOMPARE(macros->macroActions(), QStringList({"1@#A_-1@#A_-0", "", "3@#B_-1@#B_-0"}));
    }

    void saveLeavesHigherActionsInFile()
    {
        macros->macroNames() = {"one"};
        macros->macroActions() = {"2@#C_-1@#C_-0"};
        QVERIFY(macros->save());
        const QString file = DataPaths::macroStore();
        QCOMPARE(TestFiles::rawValue(file, "action", "0"), QStringLiteral("2@#C_-1@#C_-0"));
        QCOMPARE(TestFiles::rawValue(file, "action", "2"), QStringLiteral("3@#B_-1@#B_-0"));
        QCOMPARE(TestFiles::rawValue(file, "macro", "macroName"), QStringLiteral("one"));
        reloadFromDisk();
        QCOMPARE(macros->macroActions().size(), 3);
    }

    void namesSurviveAReload()
    {
        newRoot();
        macros->macroNames() = {QStringLiteral("宏一"), "a@#b", "x, y"};
        macros->macroActions() = {"1", "2", "3"};
        QVERIFY(macros->save());
        reloadFromDisk();
        QCOMPARE(macros->macroNames(), QStringList({QStringLiteral("宏一"), "a", "b", "x, y"}));
    }

    void emptyStore()
    {
        newRoot();
        macros->load();
        QVERIFY(macros->macroNames().isEmpty());
        QVERIFY(macros->macroActions().isEmpty());
        QVERIFY(macros->save());
        reloadFromDisk();
        QVERIFY(macros->macroNames().isEmpty());   // an empty text, not one empty name
    }

    void deviceForm_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("sent");
        QTest::newRow("one pause") << "3@#A_-1@#50_-2@#A_-0" << "3@#A_-1_-50@#A_-0_-0";
        QTest::newRow("pauses add up") << "1@#A_-1@#20_-2@#30_-2@#A_-0" << "1@#A_-1_-50@#A_-0_-0";
        QTest::newRow("leading pause dropped") << "1@#10_-2@#A_-1@#A_-0" << "1@#A_-1_-0@#A_-0_-0";
        QTest::newRow("pauses only") << "2@#10_-2@#20_-2" << "2";
        QTest::newRow("mouse buttons") << "1@#MS-L_-1@#MS-L_-0@#5_-2" << "1@#MS-L_-1_-0@#MS-L_-0_-5";
        QTest::newRow("header only") << "1" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("malformed item") << "1@#A_-1@#B" << "";
        QTest::newRow("malformed leading pause") << "1@#10@#A_-1" << "";
        QTest::newRow("three fields") << "1@#A_-1_-3" << "";
        QTest::newRow("trailing separator") << "1@#A_-1@#" << "";
    }
    void deviceForm()
    {
        QFETCH(QString, stored);
        QFETCH(QString, sent);
        QCOMPARE(MacroData::deviceForm(stored), sent);
    }

    void sendMacro()
    {
        macros->macroNames() = {"a", "b"};
        macros->macroActions() = {"1@#10_-2@#A_-1@#A_-0", "1@#A_-1@#B"};
        macros->sendMacro(0, 3);
        QCOMPARE(fake.calls, QStringList({"setMacro:3:1@#A_-1_-0@#A_-0_-0"}));
        QCOMPARE(macros->macroActions().at(0), QStringLiteral("1@#10_-2@#A_-1@#A_-0"));
        fake.calls.clear();
        macros->sendMacro(1, 3);   // malformed
        macros->sendMacro(2, 3);   // no such macro
        macros->sendMacro(-1, 3);
        QVERIFY(fake.calls.isEmpty());
        Controller::instance()->setCurrentIc(nullptr);
        macros->sendMacro(0, 3);   // no mouse: nothing to do, no crash
    }

    void importAppendsAfterStore()
    {
        const QString root = newRoot();
        TestFiles::write(root + "/data/macro.bin",
                         "[macro]\nmacroName=m0@#m1@#m2\n[action]\n0=1@#A_-1\n1=1@#B_-1\n2=1@#C_-1\n");
        TestFiles::write(root + "/in.mc", "[macro]\nmacroName=i0@#i1\n[action]\n0=2@#D_-1\n1=3@#E_-1\n");
        macros->load();
        QSignalSpy spy(macros, &MacroData::macroNameChanged);
        QString error;
        QCOMPARE(macros->importMacros(root + "/in.mc", &error), 2);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(macros->macroNames(), QStringList({"m0", "m1", "m2", "i0", "i1"}));
        QCOMPARE(macros->macroActions().at(3), QStringLiteral("2@#D_-1"));
        QCOMPARE(macros->macroActions().at(4), QStringLiteral("3@#E_-1"));
        reloadFromDisk();
        QCOMPARE(macros->macroNames().size(), 5);
        QCOMPARE(macros->macroActions().at(2), QStringLiteral("1@#C_-1"));
    }

    void importIntoEmptyStore()
    {
        const QString root = newRoot();
        TestFiles::write(root + "/in.mc", "[macro]\nmacroName=i0@#i1\n[action]\n0=2@#D_-1\n1=3@#E_-1\n");
        macros->load();
        QCOMPARE(macros->importMacros(root + "/in.mc"), 2);
        QCOMPARE(macros->macroNames(), QStringList({"i0", "i1"}));
        QCOMPARE(macros->macroActions(), QStringList({"2@#D_-1", "3@#E_-1"}));
    }

    void importRefusals()
    {
        const QString root = newRoot();
        TestFiles::write(root + "/data/macro.bin", "[macro]\nmacroName=m0\n[action]\n0=1@#A_-1\n");
        TestFiles::write(root + "/empty.mc", "[action]\n0=1@#A_-1\n");
        macros->load();
        QSignalSpy spy(macros, &MacroData::macroNameChanged);
        QString error;
        QCOMPARE(macros->importMacros(root + "/missing.mc", &error), -1);
        QVERIFY(!error.isEmpty());
        error.clear();
        QCOMPARE(macros->importMacros(root + "/empty.mc", &error), -1);
        QVERIFY(!error.isEmpty());
        QCOMPARE(spy.count(), 0);
        QCOMPARE(macros->macroNames(), QStringList({"m0"}));
        QCOMPARE(TestFiles::rawValue(DataPaths::macroStore(), "macro", "macroName"), QStringLiteral("m0"));
    }

    void exportWritesOneMacro()
    {
        const QString root = newRoot();
        macros->macroNames() = {"a", QStringLiteral("导出")};
        macros->macroActions() = {"1@#A_-1", "4@#B_-1@#7_-2@#B_-0"};
        const QString out = root + "/out.mc";
        TestFiles::write(out, "[action]\n0=old\n5=stale\n");
        QVERIFY(macros->exportMacro(1, out));
        QCOMPARE(TestFiles::rawValue(out, "action", "0"), QStringLiteral("4@#B_-1@#7_-2@#B_-0"));
        QVERIFY(TestFiles::rawValue(out, "action", "5").isNull());
        QVERIFY(!macros->exportMacro(2, root + "/none.mc"));
        QVERIFY(!QFile::exists(root + "/none.mc"));

        // What was exported imports elsewhere with its name intact, also after a reload.
        newRoot();
        macros->load();
        QCOMPARE(macros->importMacros(out), 1);
        reloadFromDisk();
        QCOMPARE(macros->macroNames(), QStringList({QStringLiteral("导出")}));
        QCOMPARE(macros->macroActions(), QStringList({"4@#B_-1@#7_-2@#B_-0"}));
    }

    void readsFilesWrittenByQt5()
    {
        const QString fixtures = QStringLiteral(MOUSECFG_TEST_DATA "/qt5-written/");
        newRoot();
        QFile::copy(fixtures + "macro.bin", DataPaths::macroStore());
        macros->load();
        QCOMPARE(macros->macroNames(), QStringList({QStringLiteral("宏一"), "Macro 2", QStringLiteral("abc宏def")}));
        QCOMPARE(macros->macroActions().at(1), QStringLiteral("1@#LCtrl_-1@#10_-2@#C_-1@#10_-2@#C_-0@#10_-2@#LCtrl_-0"));
        QCOMPARE(macros->macroActions().at(2), QString());

        QCOMPARE(macros->importMacros(fixtures + "exchange.mc"), 2);
        reloadFromDisk();
        QCOMPARE(macros->macroNames().mid(3), QStringList({QStringLiteral("导入宏"), "Second"}));
        QCOMPARE(macros->macroActions().at(3), QStringLiteral("1@#MS-L_-1@#20_-2@#MS-L_-0"));
        QCOMPARE(macros->macroNames().at(0), QStringLiteral("宏一"));
    }
};

QTEST_GUILESS_MAIN(TestMacroStore)
#include "tst_macrostore.moc"
