#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "device/controller.h"
#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "model/settingsio.h"
#include "testfiles.h"

// Start-up with the shipped factory file and a profile that is missing or incomplete.
class TestFirstStart : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    const QString shipped = QStringLiteral(MOUSECFG_SOURCE_DIR "/data/");

    void startUp()
    {
        MacroData::instance()->load();
        MouseData::instance()->load(0);
        MouseDefaultData::instance()->load();
        MouseData::instance()->fillMissingFromDefaults();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        TestFiles::makeTree(dir.path());
        QFile::remove(dir.path() + "/data/apConfig.bin");
        QVERIFY(QFile::copy(shipped + "apConfig.bin", dir.path() + "/data/apConfig.bin"));
        QVERIFY(QFile::copy(shipped + "pD.bin", dir.path() + "/data/pD.bin"));
        DataPaths::setRoot(dir.path());
    }
    void cleanupTestCase() { Controller::shutdown(); }

    void shippedDefaultsAreComplete()
    {
        const QSettings pd(shipped + "pD.bin", QSettings::IniFormat);
        const QSettings config(shipped + "apConfig.bin", QSettings::IniFormat);
        for (int i = 0; i < 16; ++i) {
            KeyFunction k;
            QVERIFY2(SettingsIo::readKeyCode(pd, i, &k), qPrintable(QString::number(i)));
        }
        for (int family = 0; family <= 6; ++family) {
            const char *suffix = family == 1 || family == 2 ? "_2" : (family == 0 || family == 5 ? "" : "_1");
            const uint maxDpi = config.value(QStringLiteral("mouse/maxDpi") + suffix).toUInt();
            const uint minDpi = config.value(QStringLiteral("mouse/minDpi") + suffix).toUInt();
            const uint step = config.value(QStringLiteral("mouse/stepDpi") + suffix).toUInt();
            QVERIFY(maxDpi > 0 && step > 0);
            for (bool y : {false, true}) {
                const QVariantList list = SettingsIo::readList(pd, SettingsIo::dpiListKey(family, y));
                QCOMPARE(list.size(), 8);
                for (const QVariant &v : list) {
                    const uint dpi = v.toUInt();
                    QVERIFY2(dpi >= minDpi && dpi <= maxDpi && dpi % step == 0,
                             qPrintable(QStringLiteral("family %1: %2").arg(family).arg(dpi)));
                }
            }
        }
        QCOMPARE(SettingsIo::readList(pd, "mouse/lightValue").size(), 4);
        QCOMPARE(SettingsIo::readList(pd, "mouse/colorValue").size(), 24);
        QCOMPARE(int(SettingsIo::readByte(pd, "mouse/reportRate")), 8);
        const int levels = SettingsIo::readByte(pd, "mouse/currentDpiCount");
        QVERIFY(levels >= 1 && levels <= 5);
    }

    void incompleteProfileIsCompletedFromDefaults()
    {
        TestFiles::write(dir.path() + "/data/p0.bin",
                         "[mouse]\nreportRate=3\nlightValue=1, 2, 3\nxDpiList=800, 1600\n"
                         "[mouseKeyMatrix]\n0=1, 0, 241, 0\n1=1, 0, 240, 0\n2=0, 0, 4, 0\n");
        startUp();
        MouseData *md = MouseData::instance();
        const MouseDefaultData *dd = MouseDefaultData::instance();
        QCOMPARE(dd->defaultKeyMatrix.size(), 16);
        // What the profile holds stays; the rest is the factory's.
        QVERIFY(md->keyFunction(0)->is(1, 0, 241, 0));
        QVERIFY(md->keyFunction(1)->is(1, 0, 240, 0));
        QVERIFY(md->keyFunction(2)->is(0, 0, 4, 0));
        QCOMPARE(md->keyFunction(2)->label, QStringLiteral("A"));
        for (int i = 3; i < 16; ++i) {
            const KeyFunction *d = dd->defaultKeyFunction(i);
            QVERIFY(md->keyFunction(i)->is(d->kind, d->param1, d->param2, d->param3));
            QCOMPARE(md->keyFunction(i)->label, d->label);
        }
        QCOMPARE(md->keyFunction(3)->label, md->languageText(19));
        QCOMPARE(int(md->reportRate), 8);
        QCOMPARE(md->lightValue, dd->lightValue);
        QCOMPARE(md->colorValue.size(), 24);
        QCOMPARE(int(md->currentDpiCount), int(dd->currentDpiCount));
        QCOMPARE(md->xDpiList.size(), 8);
        QCOMPARE(md->xDpiList.at(0).toUInt(), 800u);
        QCOMPARE(md->xDpiList.at(2).toUInt(), dd->xDpiList.at(2).toUInt());
        QCOMPARE(md->yDpiList, dd->yDpiList);

        // Saved at exit, the next start finds a complete profile.
        QVERIFY(md->save(0));
        for (int i = 0; i < 16; ++i)
            QVERIFY(!TestFiles::rawValue(DataPaths::profileFile(0), "mouseKeyMatrix", QString::number(i)).isEmpty());
        QCOMPARE(TestFiles::rawValue(DataPaths::profileFile(0), "mouse", "reportRate"), QStringLiteral("8"));

    }
};

QTEST_GUILESS_MAIN(TestFirstStart)
#include "tst_firststart.moc"
