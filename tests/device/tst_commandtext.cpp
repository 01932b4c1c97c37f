#include "device/commandtext.h"

#include <QtTest>

class TestCommandText : public QObject
{
    Q_OBJECT
private slots:
    void splitFillsFeatureReportAndData();
    void refusesWrongCountOrLength_data();
    void refusesWrongCountOrLength();
    void truncatesAndZeroes();
    void checksum_data();
    void checksum();
    void joinRoundTrips();
};

static QByteArray bytes(const uchar *b, int n)
{
    return QByteArray(reinterpret_cast<const char *>(b), n);
}

void TestCommandText::splitFillsFeatureReportAndData()
{
    uchar feature[9];
    uchar data[CommandText::MaxDataLength];
    QVERIFY(CommandText::split(QStringLiteral("0_135_0_0_0_0_0_0_120"), 0, feature, data));
    QCOMPARE(bytes(feature, 9), QByteArray::fromHex("008700000000000078"));

    QVERIFY(CommandText::split(QStringLiteral("0_3_0_0_1_0_0_0_251_7_8_9"), 3, feature, data));
    QCOMPARE(bytes(feature, 9), QByteArray::fromHex("0003000001000000fb"));
    QCOMPARE(bytes(data, 3), QByteArray::fromHex("070809"));

    // The largest buffer the transport has: 514 data bytes exactly.
    QString big = QStringLiteral("0_5_0_0_0_0_0_0_250");
    for (int i = 0; i < CommandText::MaxDataLength; ++i)
        big += QStringLiteral("_%1").arg(i % 256);
    QVERIFY(CommandText::split(big, CommandText::MaxDataLength, feature, data));
    QCOMPARE(int(data[513]), 513 % 256);
}

void TestCommandText::refusesWrongCountOrLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::newRow("10 numbers, n=0") << QStringLiteral("0_135_0_0_0_0_0_0_120_1") << 0;
    QTest::newRow("8 numbers, n=0") << QStringLiteral("0_135_0_0_0_0_0_120") << 0;
    QTest::newRow("9 numbers, n=1") << QStringLiteral("0_135_0_0_0_0_0_0_120") << 1;
    QTest::newRow("trailing separator") << QStringLiteral("0_135_0_0_0_0_0_0_120_") << 0;
    QTest::newRow("negative length") << QStringLiteral("0_135_0_0_0_0_0_120") << -1;
    QString over = QStringLiteral("0_5_0_0_0_0_0_0_250");
    for (int i = 0; i < CommandText::MaxDataLength + 1; ++i)
        over += QStringLiteral("_1");
    // The count matches, but the data would overrun the 514-byte buffer.
    QTest::newRow("515 data bytes") << over << CommandText::MaxDataLength + 1;
}

void TestCommandText::refusesWrongCountOrLength()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    uchar feature[9];
    std::memset(feature, 0xaa, sizeof feature);
    uchar data[CommandText::MaxDataLength];
    QVERIFY(!CommandText::split(text, length, feature, data));
    QCOMPARE(int(feature[1]), 0xaa); // untouched
}

void TestCommandText::truncatesAndZeroes()
{
    uchar feature[9];
    uchar data[4];
    QVERIFY(CommandText::split(QStringLiteral("0_256_300__x_255_1_2_3_511_-1_7"), 3, feature, data));
    QCOMPARE(bytes(feature, 9), QByteArray::fromHex("00002c0000ff010203"));
    QCOMPARE(bytes(data, 3), QByteArray::fromHex("ffff07"));
}

void TestCommandText::checksum_data()
{
    QTest::addColumn<QByteArray>("command"); // positions 1..7
    QTest::addColumn<QString>("text");
    QTest::newRow("read level") << QByteArray::fromHex("87000000000000") << QStringLiteral("0_135_0_0_0_0_0_0_120");
    QTest::newRow("code 12") << QByteArray::fromHex("0c000001000000") << QStringLiteral("0_12_0_0_1_0_0_0_242");
    QTest::newRow("code 3") << QByteArray::fromHex("03000001000000") << QStringLiteral("0_3_0_0_1_0_0_0_251");
    // Sum above 255 wraps: 255 - (7*255 mod 256) = 255 - 249 = 6.
    QTest::newRow("wraps") << QByteArray(7, char(0xff)) << QStringLiteral("0_255_255_255_255_255_255_255_6");
}

void TestCommandText::checksum()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, text);
    QCOMPARE(CommandText::withChecksum(command), text);
    uchar feature[9];
    uchar data[1];
    QVERIFY(CommandText::split(text, 0, feature, data));
    QCOMPARE(CommandText::checksum(feature), feature[8]);
}

void TestCommandText::joinRoundTrips()
{
    const QByteArray reply = QByteArray::fromHex("8702000000000000");
    QCOMPARE(CommandText::join(reply), QStringLiteral("135_2_0_0_0_0_0_0"));
    QCOMPARE(CommandText::join(QByteArray()), QString());
    QCOMPARE(CommandText::withChecksum(QByteArray::fromHex("03000001000000"), QByteArray::fromHex("0a00ff")),
             QStringLiteral("0_3_0_0_1_0_0_0_251_10_0_255"));
}

QTEST_GUILESS_MAIN(TestCommandText)
#include "tst_commandtext.moc"
