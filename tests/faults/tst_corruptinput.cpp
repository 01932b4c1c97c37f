// Corrupt files and wild numbers from them: defined results, nothing lost, honest results.
#include "faultrig.h"

#include "device/controller.h"
#include "device/datapaths.h"
#include "device/deviceentry.h"
#include "device/ic553.h"
#include "model/macrodata.h"
#include "model/mousedata.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A profile as a crash or a bad disk may leave it: a NUL, broken sections, keys without values.
const QByteArray Malformed = QByteArray("[m\0[mououse]se]\nreport\ncoloRrVal", 32);
} // namespace

class TestCorruptInput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void lightingStepsOfAnySize();
    void pausesAddingUpPastInt();
    void catalogueReportLengthBounded();
    void saveOverMalformedFiles();

private:
    QTemporaryDir dir;
};

void TestCorruptInput::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(FaultRig::populate(dir.path()));
}

void TestCorruptInput::cleanupTestCase()
{
    Controller::shutdown();
}

void TestCorruptInput::lightingStepsOfAnySize()
{
    QSignalSpy sent(Controller::instance(), &Controller::send);
    // Brightness and speed bytes of the lighting command are fields 4 and 5.
    const auto bytesFor = [&sent](const QString &values) {
        sent.clear();
        Ic553::instance()->setLighting(values);
        return sent.size() == 1 ? sent.at(0).at(1).toString().split(QLatin1Char('_')).mid(4, 2) : QStringList();
    };
    QCOMPARE(bytesFor(QStringLiteral("1_4_0_1")), QStringList({"50", "6"}));
    QCOMPARE(bytesFor(QStringLiteral("3_0_4_1")), QStringList({"50", "10"}));
    // Steps far outside 0..4 (a corrupt profile) give the low byte of the full product.
    const qint64 big = 2147483647;
    QCOMPARE(bytesFor(QStringLiteral("1_2147483647_0_1")),
             QStringList({QString::number((big * 50 / 4) & 0xFF), "6"}));
    QCOMPARE(bytesFor(QStringLiteral("2_0_2147483647_1")),
             QStringList({"50", QString::number((big * 9 / 4 + 1) & 0xFF)}));
    QCOMPARE(bytesFor(QStringLiteral("1_-2147483648_0_1")),
             QStringList({QString::number((-2147483648LL * 50 / 4) & 0xFF), "6"}));
}

void TestCorruptInput::pausesAddingUpPastInt()
{
    QCOMPARE(MacroData::deviceForm(QStringLiteral("1@#A_-1@#20_-2@#30_-2@#A_-0")),
             QStringLiteral("1@#A_-1_-50@#A_-0_-0"));
    QCOMPARE(MacroData::deviceForm(QStringLiteral("1@#A_-1@#2147483647_-2@#2147483647_-2@#A_-0")),
             QStringLiteral("1@#A_-1_-4294967294@#A_-0_-0"));
}

void TestCorruptInput::catalogueReportLengthBounded()
{
    const QString file = dir.filePath(QStringLiteral("catalogue.ini"));
    writeFile(file, "[common]\ndeviceCount=4\n"
                    "[0]\nreportLength=2000000000\n[1]\nreportLength=4096\n"
                    "[2]\nreportLength=0\n[3]\nreportLength=64\n");
    const QList<DeviceEntry> entries = DeviceEntry::loadCatalogue(file);
    QCOMPARE(entries.size(), 4);
    // A length no HID report has would make every write allocate it.
    QCOMPARE(entries.at(0).reportLength, DeviceEntry::DefaultReportLength);
    QCOMPARE(entries.at(1).reportLength, 4096);
    QCOMPARE(entries.at(2).reportLength, DeviceEntry::DefaultReportLength);
    QCOMPARE(entries.at(3).reportLength, 64);
}

void TestCorruptInput::saveOverMalformedFiles()
{
    // Qt writes over a file it could not parse; the save has happened and says so.
    writeFile(DataPaths::profileFile(0), Malformed);
    MouseData *m = MouseData::instance();
    m->load(0);
    m->reportRate = 4;
    QVERIFY(m->save(0));
    {
        const QSettings back(DataPaths::profileFile(0), QSettings::IniFormat);
        QCOMPARE(back.value(QStringLiteral("mouse/reportRate")).toString(), QStringLiteral("4"));
    }

    // An import into such a store is kept and reported as done, with the names loaded.
    writeFile(DataPaths::macroStore(), Malformed);
    const QString mc = dir.filePath(QStringLiteral("in.mc"));
    writeFile(mc, "[macro]\nmacroName=One@#Two\n[action]\n0=1@#A_-1@#A_-0\n1=\n");
    MacroData *store = MacroData::instance();
    store->load();
    QString error;
    QCOMPARE(store->importMacros(mc, &error), 2);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(store->macroNames(), QStringList({"One", "Two"}));
    QCOMPARE(store->macroActions().value(0), QStringLiteral("1@#A_-1@#A_-0"));
}

QTEST_GUILESS_MAIN(TestCorruptInput)
#include "tst_corruptinput.moc"
