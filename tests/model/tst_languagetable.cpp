#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "device/controller.h"
#include "device/datapaths.h"
#include "model/languagetable.h"
#include "model/mousedata.h"
#include "testfiles.h"

class TestLanguageTable : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    int roots = 0;

    QString newRoot(const QByteArray &config)
    {
        const QString root = dir.path() + QStringLiteral("/r%1").arg(roots++);
        QDir().mkpath(root + "/data");
        QDir().mkpath(root + "/i18n");
        if (!config.isNull())
            TestFiles::write(root + "/data/apConfig.bin", config);
        DataPaths::setRoot(root);
        return root;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }
    void cleanupTestCase() { Controller::shutdown(); }

    void choosesFileByExactName_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QString>("file");
        QTest::newRow("English") << QByteArray("[common]\nlanguage=English\n") << "English.ini";
        QTest::newRow("other case") << QByteArray("[common]\nlanguage=english\n") << "ChineseSimplified.ini";
        QTest::newRow("empty value") << QByteArray("[common]\nlanguage=\n") << "ChineseSimplified.ini";
        QTest::newRow("no file") << QByteArray() << "ChineseSimplified.ini";
    }
    void choosesFileByExactName()
    {
        QFETCH(QByteArray, config);
        QFETCH(QString, file);
        const QString root = newRoot(config);
        QCOMPARE(LanguageTable::activeFile(), root + "/i18n/" + file);
    }

    void tableRules()
    {
        const QString root = newRoot(QByteArray());
        const QString file = root + "/i18n/t.ini";
        TestFiles::write(file, "[main]\ntotal=10\n0=zero\n1=\"one, quoted\"\n2=two, unquoted\n"
                               "3=\\x5b8f\n4=\xe4\xb8\xad\xe6\x96\x87\n8=eight\n9=nine\n10=past the end\n");
        const QStringList t = LanguageTable::load(file);
        QCOMPARE(t.size(), 10);
        QCOMPARE(t.at(0), QStringLiteral("zero"));
        QCOMPARE(t.at(1), QStringLiteral("one, quoted"));
        QCOMPARE(t.at(2), QStringLiteral("two, unquoted"));
        QCOMPARE(t.at(3), QStringLiteral("宏"));
        QCOMPARE(t.at(4), QStringLiteral("中文"));
        QCOMPARE(t.at(7), QString());
        QCOMPARE(t.at(8), QStringLiteral("eight"));
        QCOMPARE(t.at(9), QStringLiteral("nine"));
    }

    void totalRules_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("size");
        QTest::newRow("zero") << QByteArray("[main]\ntotal=0\n0=a\n") << 0;
        QTest::newRow("absent") << QByteArray("[main]\n0=a\n") << 0;
        QTest::newRow("not a number") << QByteArray("[main]\ntotal=many\n0=a\n") << 0;
        QTest::newRow("negative") << QByteArray("[main]\ntotal=-5\n0=a\n") << 0;
        QTest::newRow("absurd") << QByteArray("[main]\ntotal=2000000000\n0=a\n") << 65536;
    }
    void totalRules()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, size);
        const QString root = newRoot(QByteArray());
        TestFiles::write(root + "/i18n/t.ini", text);
        QCOMPARE(LanguageTable::load(root + "/i18n/t.ini").size(), size);
        QVERIFY(LanguageTable::load(root + "/i18n/missing.ini").isEmpty());
    }

    void profileModelReadsActiveTable()
    {
        const QString root = newRoot("[common]\nlanguage=Deutsch\n");
        TestFiles::write(root + "/i18n/ChineseSimplified.ini", "[main]\ntotal=12\n11=\xe7\xa6\x81\xe7\x94\xa8\n");
        TestFiles::write(root + "/i18n/English.ini", "[main]\ntotal=12\n11=Disabled\n");
        MouseData *md = MouseData::instance();
        QCOMPARE(md->languageTexts.size(), 12);
        QCOMPARE(md->languageText(11), QStringLiteral("禁用"));
        // Numbers the table does not hold give an empty text instead of running off its end.
        QCOMPARE(md->languageText(12), QString());
        QCOMPARE(md->languageText(108), QString());
        QCOMPARE(md->languageText(-1), QString());
        QCOMPARE(md->functionText(2, 0, 0, 0), QString());   // macro label 108 with no macro
        QCOMPARE(md->keyFunction(0)->label, QStringLiteral("禁用"));

        // (A different length, or this process would keep its cached copy of the old file.)
        TestFiles::write(root + "/data/apConfig.bin", "[common]\nlanguage=English\nname=x\n");
        md->loadLanguage();
        QCOMPARE(md->languageText(11), QStringLiteral("Disabled"));
        QCOMPARE(md->keyFunction(0)->label, QStringLiteral("Disabled"));
    }
};

QTEST_GUILESS_MAIN(TestLanguageTable)
#include "tst_languagetable.moc"
