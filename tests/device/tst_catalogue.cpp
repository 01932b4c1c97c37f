#include "device/deviceentry.h"

#include <QFile>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>


class TestDeviceCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void shippedCatalogue();
    void parsesFields();
    void defaultsAndFallbacks();
    void missingFileOrSection();

private:
    QString writeFile(const QByteArray &ini);
    QTemporaryDir dir;
};

QString TestDeviceCatalogue::writeFile(const QByteArray &ini)
{
    static int n = 0;
    const QString name = dir.filePath(QStringLiteral("apConfig%1.bin").arg(++n));
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(ini);
    return name;
}

void TestDeviceCatalogue::shippedCatalogue()
{
    const QString file = QStringLiteral(MOUSECFG_SOURCE_DIR "/data/apConfig.bin");
    const QList<DeviceEntry> entries = DeviceEntry::loadCatalogue(file);
    QCOMPARE(entries.size(), 7);
    QSet<quint64> seen;
    for (int i = 0; i < entries.size(); ++i) {
        const DeviceEntry &e = entries.at(i);
        QVERIFY2(e.hasIds(), qPrintable(QString::number(i)));
        QCOMPARE(e.vid, quint16(0xf0e1));
        QCOMPARE(e.pid, quint16(0x7a01 + i));
        QCOMPARE(e.type, i);
        QCOMPARE(e.reportLength, i < 5 ? 32 : 64);
        // Two interfaces of one mouse must be told apart by usage.
        QVERIFY(e.usagePage != e.usagePage2 || e.usage != e.usage2);
        const quint64 key = quint64(e.vid) << 48 | quint64(e.pid) << 32 | quint64(e.usagePage) << 16 | e.usage;
        QVERIFY2(!seen.contains(key), qPrintable(QStringLiteral("entry %1 repeats an earlier one").arg(i)));
        seen.insert(key);
    }

    QSettings s(file, QSettings::IniFormat);
    QCOMPARE(s.value(QStringLiteral("common/language")).toString(), QStringLiteral("English"));
    QVERIFY(!s.value(QStringLiteral("common/EnglishName")).toString().isEmpty());
    QCOMPARE(s.value(QStringLiteral("common/name")).toString(), QStringLiteral("游戏鼠标"));
    for (const char *suffix : {"", "_1", "_2"}) {
        const uint maxDpi = s.value(QStringLiteral("mouse/maxDpi%1").arg(QLatin1String(suffix))).toUInt();
        const uint minDpi = s.value(QStringLiteral("mouse/minDpi%1").arg(QLatin1String(suffix))).toUInt();
        const uint step = s.value(QStringLiteral("mouse/stepDpi%1").arg(QLatin1String(suffix))).toUInt();
        QVERIFY(minDpi > 0 && step > 0 && maxDpi > minDpi);
        QCOMPARE((maxDpi - minDpi) % step, 0u);
    }
}

void TestDeviceCatalogue::parsesFields()
{
    const QString file = writeFile("[common]\ndeviceCount=3\n"
                                   "[0]\ntype=1A\nvid=248A\npid=8367\nusagePage=FF00\nusage=1\n"
                                   "usagePage2=ff01\nusage2=2\nreportLength=64\nisEncode=true\nsCode=654321\n"
                                   "[1]\nvid=248a\npid=zz\nusagePage=1ffff\nisEncode=0\n"
                                   "[2]\nvid=248a\nisEncode=2\n");
    const QList<DeviceEntry> e = DeviceEntry::loadCatalogue(file);
    QCOMPARE(e.size(), 3);
    QCOMPARE(e[0].type, 0x1a);
    QCOMPARE(e[0].vid, quint16(0x248a));
    QCOMPARE(e[0].pid, quint16(0x8367));
    QCOMPARE(e[0].usagePage, quint16(0xff00));
    QCOMPARE(e[0].usage, quint16(1));
    QCOMPARE(e[0].usagePage2, quint16(0xff01));
    QCOMPARE(e[0].usage2, quint16(2));
    QCOMPARE(e[0].reportLength, 64);
    QVERIFY(e[0].isEncode);
    QCOMPARE(e[0].sCode, QStringLiteral("654321"));
    QVERIFY(e[0].commandPath.isEmpty() && e[0].eventPath.isEmpty());

    QCOMPARE(e[1].vid, e[0].vid); // either case
    QCOMPARE(e[1].pid, quint16(0)); // does not parse
    QCOMPARE(e[1].usagePage, quint16(0xffff)); // kept to 16 bits
    QVERIFY(!e[1].isEncode);
    QVERIFY(e[2].isEncode); // nonzero number
}

void TestDeviceCatalogue::defaultsAndFallbacks()
{
    const QString file = writeFile("[common]\ndeviceCount=4\n"
                                   "[0]\nvid=1\npid=2\n"
                                   "[1]\nvid=1\nreportLength=0\n"
                                   "[2]\nvid=1\nreportLength=-5\n"
                                   "[3]\nvid=1\nreportLength=abc\n");
    const QList<DeviceEntry> e = DeviceEntry::loadCatalogue(file);
    QCOMPARE(e.size(), 4);
    QCOMPARE(e[0].type, -1);
    QCOMPARE(e[0].usagePage, quint16(0));
    QVERIFY(!e[0].isEncode);
    QCOMPARE(e[0].sCode.size(), 6);
    for (const DeviceEntry &x : e)
        QCOMPARE(x.reportLength, 32);
}

void TestDeviceCatalogue::missingFileOrSection()
{
    QVERIFY(DeviceEntry::loadCatalogue(dir.filePath(QStringLiteral("absent.bin"))).isEmpty());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("absent.bin"))));

    const QList<DeviceEntry> e = DeviceEntry::loadCatalogue(writeFile("[common]\ndeviceCount=2\n[1]\nvid=5\n"));
    QCOMPARE(e.size(), 2);
    QVERIFY(!e[0].hasIds());
    QCOMPARE(e[0].reportLength, 32);
    QCOMPARE(e[1].vid, quint16(5));

    QCOMPARE(DeviceEntry::loadCatalogue(writeFile("[common]\ndeviceCount=99999999\n")).size(),
             DeviceEntry::MaxEntries);
}

QTEST_GUILESS_MAIN(TestDeviceCatalogue)
#include "tst_catalogue.moc"
