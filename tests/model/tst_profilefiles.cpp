#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "device/controller.h"
#include "device/datapaths.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "testfiles.h"

namespace {
QStringList texts(const QVariantList &list)
{
    QStringList out;
    for (const QVariant &v : list)
        out << v.toString();
    return out;
}
QStringList texts(const QString &commaList)
{
    return commaList.split(QStringLiteral(", "));
}
} // namespace

class TestProfileFiles : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    MouseData *md = nullptr;
    int copies = 10;

    QString data(const QString &name) const { return dir.path() + "/data/" + name; }
    // QSettings keeps what this process wrote in a cache keyed by path; reading a copy under a
    // new profile number parses the bytes on disk, as the next start of the program would.
    int reloadCopyOf(int profile)
    {
        const int copy = copies++;
        QFile::copy(DataPaths::profileFile(profile), DataPaths::profileFile(copy));
        md->load(copy);
        return copy;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        TestFiles::makeTree(dir.path());
        DataPaths::setRoot(dir.path());
        md = MouseData::instance();
        TestFiles::write(data("pD.bin"),
                         "[mouse]\nreportRate=8\ncurrentDpiCount=5\n"
                         "xDpiList=400, 800, 1600, 3200, 6400, 8000, 10000, 12000\n"
                         "yDpiList=450, 850, 1650, 3250, 6450, 8050, 10050, 12050\n"
                         "xDpiList_3=300, 600, 900, 1200, 1500, 1800, 2100, 2400\n"
                         "yDpiList_3=310, 610, 910, 1210, 1510, 1810, 2110, 2410\n"
                         "xDpiList_1=700, 700, 700, 700, 700, 700, 700, 700\n"
                         "yDpiList_1=700, 700, 700, 700, 700, 700, 700, 700\n"
                         "lightValue=1, 4, 2, 0\n"
                         "colorValue=1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 255, 255, 255, 255, 255, 255\n"
                         "[mouseKeyMatrix]\n0=1, 0, 240, 0\n1=1, 0, 241, 0\n2=1, 0, 242, 0\n4=1, 0, 244, 0\n");
        MouseDefaultData::instance()->load();
    }
    void cleanupTestCase() { Controller::shutdown(); }

    void loadReadsEveryKey()
    {
        TestFiles::write(data("p1.bin"),
                         "[mouse]\nreportRate=264\ndpiCount=abc\ncurrentDpiCount=3\n"
                         "xDpiList=400, 800\nyDpiList=500\nlightValue=2, 3, 1, 4\ncolorValue=\n"
                         "isDefaultDPI=1\nisDefaultKey=1\nisXY=1\n"
                         "runProgram=/usr/bin/tool.sh\nrunHttps=\"https://example.com/a,b\"\n"
                         "[mouseKeyMatrix]\n0=1, 0, 240, 0\n1=0, 224, 6, 0\n2=2, 300, x, 4\n3=6\n4=4, 0, 233\n");
        md->keyMatrix[7] = KeyFunction{0, 0, 9, 0, "kept"};
        md->load(1);
        QCOMPARE(int(md->reportRate), 8);      // 264 truncated to 8 bits
        QCOMPARE(int(md->dpiCount), 0);        // not a number
        QCOMPARE(int(md->currentDpiCount), 3);
        QCOMPARE(texts(md->xDpiList), QStringList({"400", "800"}));
        QCOMPARE(texts(md->yDpiList), QStringList({"500"}));   // one element is still a list
        QCOMPARE(texts(md->lightValue), QStringList({"2", "3", "1", "4"}));
        QVERIFY(md->colorValue.isEmpty());
        QCOMPARE(int(md->isDefaultDPI), 1);
        QCOMPARE(int(md->isXY), 1);
        QCOMPARE(md->runProgram, QStringLiteral("/usr/bin/tool.sh"));
        QCOMPARE(md->runHttps, QStringLiteral("https://example.com/a,b"));

        QVERIFY(md->keyFunction(1)->is(0, 224, 6, 0));
        QCOMPARE(md->keyFunction(1)->label, QStringLiteral("LCtrl+C"));
        QVERIFY(md->keyFunction(2)->is(2, 44, 0, 4));
        // Lists shorter than four are completed with zeros.
        QVERIFY(md->keyFunction(3)->is(6, 0, 0, 0));
        QVERIFY(md->keyFunction(4)->is(4, 0, 233, 0));
        QCOMPARE(md->keyFunction(4)->label, QStringLiteral("T36"));
        // An absent key leaves the entry as it was.
        QVERIFY(md->keyFunction(7)->is(0, 0, 9, 0));
        QCOMPARE(md->keyFunction(7)->label, QStringLiteral("kept"));
    }

    void loadMinusOneReadsDefaultFile()
    {
        md->load(-1);
        QCOMPARE(int(md->reportRate), 8);
        QCOMPARE(texts(md->yDpiList).first(), QStringLiteral("450"));
    }

    void missingFileReadsAsEmpty()
    {
        md->load(42);
        QCOMPARE(int(md->reportRate), 0);
        QVERIFY(md->xDpiList.isEmpty());
        QVERIFY(md->runProgram.isEmpty());
    }

    void saveWritesListsAndKeepsOtherFamilies()
    {
        TestFiles::write(data("p2.bin"),
                         "[mouse]\nxDpiList=1, 2, 3\nyDpiList=4, 5, 6\nxDpiList_1=7, 8, 9\nyDpiList_1=10, 11, 12\n");
        md->load(2);
        md->deviceType = 5;
        md->xDpiList = {400, 800, 1600, 3200, 6400, 8000, 10000, 12000};
        md->yDpiList = {400, 800, 1600, 3200, 6400, 8000, 10000, 11000};
        md->runHttps = "https://example.com/?q=1#frag";
        md->keyMatrix[1] = KeyFunction{0, 224, 6, 0, {}};
        QVERIFY(md->save(2));
        const QString file = data("p2.bin");
        QCOMPARE(TestFiles::rawValue(file, "mouse", "xDpiList_2"), QStringLiteral("400, 800, 1600, 3200, 6400, 8000, 10000, 12000"));
        QCOMPARE(TestFiles::rawValue(file, "mouse", "yDpiList_2").section(", ", 7), QStringLiteral("11000"));
        QCOMPARE(TestFiles::rawValue(file, "mouse", "xDpiList"), QStringLiteral("1, 2, 3"));
        QCOMPARE(TestFiles::rawValue(file, "mouse", "xDpiList_1"), QStringLiteral("7, 8, 9"));
        QCOMPARE(TestFiles::rawValue(file, "mouseKeyMatrix", "1"), QStringLiteral("0, 224, 6, 0"));

        // Read back as the next start would: lists of texts that convert to the same numbers.
        reloadCopyOf(2);
        QCOMPARE(md->runHttps, QStringLiteral("https://example.com/?q=1#frag"));
        md->deviceType = 5;
        md->save(2);
    }

    void noMouseWritesNoDpiList()
    {
        TestFiles::write(data("p3.bin"), "[mouse]\nxDpiList=1, 2, 3\nyDpiList=4, 5, 6\nxDpiList_1=7, 8, 9\n");
        md->deviceType = 255;
        md->xDpiList = {100, 200};
        QVERIFY(md->save(3));
        QCOMPARE(TestFiles::rawValue(data("p3.bin"), "mouse", "xDpiList"), QStringLiteral("1, 2, 3"));
        QCOMPARE(TestFiles::rawValue(data("p3.bin"), "mouse", "xDpiList_1"), QStringLiteral("7, 8, 9"));
        QVERIFY(!TestFiles::read(data("p3.bin")).contains("xDpiList_2"));
    }

    void saveIsAtomicAndComplete()
    {
        md->deviceType = 0;
        for (int i = 0; i < 16; ++i)
            md->keyMatrix[i] = KeyFunction{0, 0, uchar(4 + i), 0, {}};
        md->runProgram = QStringLiteral("D:/工具/启动器.exe");
        QVERIFY(md->save(4));
        const QStringList left = QDir(dir.path() + "/data").entryList(QDir::Files);
        for (const QString &f : left)
            QVERIFY2(f.endsWith(".bin"), qPrintable("left over: " + f));

        for (KeyFunction &k : md->keyMatrix)
            k = KeyFunction{};
        md->runProgram.clear();
        reloadCopyOf(4);
        for (int i = 0; i < 16; ++i)
            QVERIFY(md->keyFunction(i)->is(0, 0, uchar(4 + i), 0));
        QCOMPARE(md->runProgram, QStringLiteral("D:/工具/启动器.exe"));
        QCOMPARE(md->keyFunction(15)->label, QStringLiteral("P"));

        // A target that cannot be written is reported, not passed off as saved.
        QDir(dir.path()).mkpath("data/p5.bin");
        QVERIFY(!md->save(5));
    }

    void familyListsReplaceUnsuffixedOnAttach()
    {
        TestFiles::write(data("p0.bin"),
                         "[mouse]\nxDpiList=400, 800, 1600, 3200, 6400, 12000, 800, 800\n"
                         "yDpiList=400, 800, 1600, 3200, 6400, 12000, 800, 800\n"
                         "xDpiList_1=500, 1000, 2000, 4000, 8000, 16000, 900, 900\n"
                         "yDpiList_1=550, 1050, 2050, 4050, 8050, 16000, 900, 900\n");
        md->load(0);
        QCOMPARE(texts(md->xDpiList).at(0), QStringLiteral("400"));
        QSignalSpy spy(md, &MouseData::deviceChange);
        md->deviceType = 3;
        md->loadDeviceFamily();
        QCOMPARE(texts(md->xDpiList), texts("500, 1000, 2000, 4000, 8000, 16000, 900, 900"));
        QCOMPARE(texts(md->yDpiList).at(0), QStringLiteral("550"));
        QCOMPARE(md->maxDpi, 16000);
        QCOMPARE(md->stepDpi, 50);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<uchar>(), uchar(3));

        md->deviceType = 1;
        md->loadDeviceFamily();
        QCOMPARE(md->minDpi, 100);

        // Outside 0..6 only the signal.
        const QVariantList before = md->xDpiList;
        md->deviceType = 7;
        md->loadDeviceFamily();
        QCOMPARE(md->xDpiList, before);
        QCOMPARE(md->minDpi, 100);
        QCOMPARE(spy.count(), 3);
    }

    void firstAttachOfAFamilyTakesFactoryLists()
    {
        md->deviceType = 6;   // no _3 lists in p0.bin
        md->loadDeviceFamily();
        QCOMPARE(texts(md->xDpiList), texts("300, 600, 900, 1200, 1500, 1800, 2100, 2400"));
        // 2410 is off the family's step: the page shows, and the mouse takes, 2400.
        QCOMPARE(texts(md->yDpiList).at(7), QStringLiteral("2400"));

        // Zeros and missing levels in a stored list never reach the mouse.
        TestFiles::write(data("p0.bin"), "[mouse]\nxDpiList_1=500, 0, 2000\nyDpiList_1=500\n");
        md->load(0); // as at the next start: lists edited in this run would win over the file
        md->deviceType = 4;
        md->loadDeviceFamily();
        QCOMPARE(texts(md->xDpiList), texts("500, 700, 2000, 700, 700, 700, 700, 700"));
        QCOMPARE(md->yDpiList.size(), 8);
    }

    void limitsMissingFromConfigReadAsZero()
    {
        const QString other = dir.path() + "/nolimits";
        QDir(other).mkpath("data");
        TestFiles::write(other + "/data/apConfig.bin", "[mouse]\nmaxDpi_1=16000\n");
        DataPaths::setRoot(other);
        md->deviceType = 5;
        md->loadDeviceFamily();
        DataPaths::setRoot(dir.path());
        QCOMPARE(md->maxDpi, 0);
        QCOMPARE(md->minDpi, 0);
        QCOMPARE(md->stepDpi, 0);
        // Without any list and any factory file, the levels still hold a usable DPI.
        QCOMPARE(md->xDpiList.size(), 8);
        for (const QVariant &v : md->xDpiList)
            QVERIFY(v.toUInt() > 0);
    }

    void setDpiGrowsShortLists()
    {
        MouseDefaultData::instance()->load();
        md->xDpiList = {1000, 2000, 3000};
        md->yDpiList.clear();
        md->setDpi(0, 4, 5000);
        QCOMPARE(md->xDpiList.size(), 8);
        QCOMPARE(md->xDpiList.at(4).toUInt(), 5000u);
        QCOMPARE(md->xDpiList.at(2).toUInt(), 3000u);
        QCOMPARE(md->xDpiList.at(3).toUInt(), 3200u);   // factory value of that level
        QCOMPARE(md->yDpiList.size(), 8);
        md->setDpi(1, 0, 900);
        QCOMPARE(md->yDpiList.at(0).toUInt(), 900u);
        md->setDpi(1, 8, 900);   // no such level
        md->setDpi(0, -1, 900);
        QCOMPARE(md->xDpiList.size(), 8);
    }

    void defaultsStopAtFirstGap()
    {
        MouseDefaultData *dd = MouseDefaultData::instance();
        dd->load();
        QCOMPARE(dd->defaultKeyMatrix.size(), 3);   // key 3 is missing, 4 is never read
        QVERIFY(!dd->defaultKeyFunction(3));
        QCOMPARE(dd->defaultKeyFunction(2)->label, QStringLiteral("T18"));
        QCOMPARE(int(dd->currentDpiCount), 5);

        dd->loadDeviceFamily(7);
        QCOMPARE(texts(dd->xDpiList).at(0), QStringLiteral("400"));
        dd->loadDeviceFamily(6);
        QCOMPARE(texts(dd->xDpiList).at(0), QStringLiteral("300"));
        dd->loadDeviceFamily(2);   // no _4 lists in this file
        QVERIFY(dd->xDpiList.isEmpty());
        dd->load();
    }

    void defaultsPadShortKeyLists()
    {
        QDir(dir.path()).mkpath("short/data");
        TestFiles::write(dir.path() + "/short/data/pD.bin", "[mouseKeyMatrix]\n0=1\n1=1, 0, 241\n");
        DataPaths::setRoot(dir.path() + "/short");
        MouseDefaultData::instance()->load();
        DataPaths::setRoot(dir.path());
        QVERIFY(MouseDefaultData::instance()->defaultKeyFunction(0)->is(1, 0, 0, 0));
        QVERIFY(MouseDefaultData::instance()->defaultKeyFunction(1)->is(1, 0, 241, 0));
        MouseDefaultData::instance()->load();
    }

    void readsFilesWrittenByQt5()
    {
        const QString fixtures = QStringLiteral(MOUSECFG_TEST_DATA "/qt5-written/");
        QFile::copy(fixtures + "p0.bin", DataPaths::profileFile(20));
        md->load(20);
        QVERIFY(md->keyFunction(6)->is(0, 224, 6, 0));
        QVERIFY(md->keyFunction(7)->is(12, 3, 0, 0));
        QCOMPARE(texts(md->lightValue), QStringList({"2", "3", "1", "4"}));
        QCOMPARE(md->runProgram, QStringLiteral("C:/游戏/my.app.exe"));
        QCOMPARE(md->runHttps, QStringLiteral("https://example.com/路径?q=1#x"));
        QCOMPARE(md->colorValue.size(), 24);
        QCOMPARE(int(md->currentDpiCount), 4);

        // The family lists of that file, through the family load of profile 0.
        TestFiles::write(DataPaths::profileFile(0), TestFiles::read(fixtures + "p0.bin"));
        md->deviceType = 3;
        md->loadDeviceFamily();
        QCOMPARE(texts(md->xDpiList), texts("500, 1000, 2000, 4000, 8000, 16000, 700, 700"));
    }
};

QTEST_GUILESS_MAIN(TestProfileFiles)
#include "tst_profilefiles.moc"
