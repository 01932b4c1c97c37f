// Every command kind of a profile as the mouse receives it through the real hidapi-hidraw and
// the kernel's hidraw rules, compared byte for byte with what the virtual mouse decodes from
// the same program linked to it; the level read; a mouse that stops answering or leaves in
// the middle of a data write.
#include "realinstall.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>


namespace {

QVariantList numbers(const QVector<int> &values)
{
    QVariantList list;
    for (int v : values)
        list << v;
    return list;
}

// Keys of every kind, DPI levels in X and Y, rate, lighting and colours, and a bound macro.
void writeProfile(const QString &dir)
{
    QDir().mkpath(dir);
    QSettings p(dir + QStringLiteral("/p0.bin"), QSettings::IniFormat);
    p.setValue("mouse/reportRate", 2);
    p.setValue("mouse/currentDpiCount", 3);
    p.setValue("mouse/isDefaultDPI", 0);
    p.setValue("mouse/isDefaultKey", 1);
    p.setValue("mouse/isXY", 1);
    for (const char *suffix : {"", "_1", "_2", "_3", "_4", "_5", "_6"}) {
        p.setValue(QStringLiteral("mouse/xDpiList%1").arg(QLatin1String(suffix)), numbers({400, 800, 1600, 3200, 6400, 12000, 200, 200}));
        p.setValue(QStringLiteral("mouse/yDpiList%1").arg(QLatin1String(suffix)), numbers({500, 1000, 2000, 4000, 8000, 12000, 200, 200}));
    }
    p.setValue("mouse/lightValue", numbers({2, 3, 1, 4}));
    QVector<int> colours;
    for (int i = 0; i < 24; ++i)
        colours << 10 + 9 * i;
    p.setValue("mouse/colorValue", numbers(colours));
    const QVector<QVector<int>> keys = {{1, 0, 240, 0}, {0, 224, 6, 0}, {4, 0, 0xE9, 0}, {2, 0, 1, 3},
                                        {1, 0, 241, 0}, {6, 1, 0, 0}};
    for (int i = 0; i < 16; ++i)
        p.setValue(QStringLiteral("mouseKeyMatrix/%1").arg(i), numbers(keys.value(i, {0, 0, 0, 0})));
    QSettings m(dir + QStringLiteral("/macro.bin"), QSettings::IniFormat);
    m.setValue("macro/macroName", QStringLiteral("one"));
    m.setValue("action/0", QStringLiteral("1@#A_-1@#50_-2@#A_-0"));
}

struct Report
{
    QString operation;
    QString bytes;
    bool operator==(const Report &o) const { return operation == o.operation && bytes == o.bytes; }
};

// The feature and output reports of a trace, optionally without their leading report ID.
QList<Report> reports(const QString &trace, bool dropReportId, QStringList *errors)
{
    QList<Report> out;
    for (const QString &line : trace.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.section(QLatin1Char('#'), 0, 0).simplified().split(QLatin1Char(' '));
        if (fields.size() < 2)
            continue;
        if (fields.at(1) == QLatin1String("error"))
            errors->append(line);
        if (fields.size() < 4 || (fields.at(1) != QLatin1String("feature") && fields.at(1) != QLatin1String("output")))
            continue;
        QStringList bytes = fields.mid(3);
        if (dropReportId && !bytes.isEmpty())
            bytes.removeFirst();
        out.append({fields.at(1), bytes.join(QLatin1Char(' '))});
    }
    return out;
}

// The same program linked to the virtual mouse, in a portable layout of its own.
QString virtualTrace(const QString &root, const vmouse::DeviceDescription &desc)
{
    const QString bin = QStringLiteral(MOUSECFG_BIN_DIR);
    QDir(root).mkpath(QStringLiteral("data"));
    QDir(root).mkpath(QStringLiteral("i18n"));
    QDir(root).mkpath(QStringLiteral("home"));
    for (const QString &f : {QStringLiteral("mousecfg-cli-vmouse"), QStringLiteral("data/apConfig.bin"),
                             QStringLiteral("data/pD.bin"), QStringLiteral("i18n/English.ini"),
                             QStringLiteral("i18n/ChineseSimplified.ini")})
        if (!QFile::copy(bin + QLatin1Char('/') + f, root + QLatin1Char('/') + f))
            return QString();
    writeProfile(root + QStringLiteral("/data"));
    QProcess p;
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    env.insert(QStringLiteral("VMOUSE_DEVICES"), QString::fromStdString(desc.toString()));
    env.insert(QStringLiteral("VMOUSE_TRACE"), root + QStringLiteral("/trace.txt"));
    p.setProcessEnvironment(env);
    p.start(root + QStringLiteral("/mousecfg-cli-vmouse"), {QStringLiteral("apply")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString();
    QFile f(root + QStringLiteral("/trace.txt"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString hex(const QVector<int> &bytes)
{
    QStringList s;
    for (int b : bytes)
        s << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    return s.join(QLatin1Char(' '));
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

    RealInstall install;

private slots:
    void initTestCase()
    {
        QVERIFY(install.make());
        writeProfile(install.configDir() + QStringLiteral("/mousecfg"));
    }

    void applyReachesTheMouseAsOnTheVirtualOne_data()
    {
        QTest::addColumn<int>("familyIndex");
        QTest::addColumn<bool>("combined");
        QTest::newRow("32-byte reports") << 0 << false;
        QTest::newRow("64-byte reports") << 5 << false;
        QTest::newRow("one interface") << 1 << true;
    }
    void applyReachesTheMouseAsOnTheVirtualOne()
    {
        QFETCH(int, familyIndex);
        QFETCH(bool, combined);
        const vmouse::DeviceDescription desc = RealInstall::family(familyIndex);
        umock::MockBed bed;
        const int mouse = bed.plug(desc, combined);
        QVERIFY(mouse >= 0);
        const RealInstall::Run r = install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("apply")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err + QString::fromStdString(bed.trace())));
        QVERIFY2(r.out.contains(QStringLiteral("family %1").arg(familyIndex)), qPrintable(r.out));

        QStringList errors;
        const QList<Report> real = reports(QString::fromStdString(bed.trace()), false, &errors);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
        vmouse_state s{};
        QVERIFY(bed.state(mouse, &s));
        QCOMPARE(s.errors, 0u);

        // At the mouse: 8 command bytes per feature report, one whole report per write.
        int features = 0;
        for (const Report &rep : real) {
            const int size = rep.bytes.split(QLatin1Char(' ')).size();
            if (rep.operation == QLatin1String("feature")) {
                ++features;
                QCOMPARE(size, 8);
            } else {
                QCOMPARE(size, desc.reportLength);
            }
        }
        QCOMPARE(s.commands, unsigned(features));
        // The report rate command, with its checksum, exactly.
        QVERIFY(real.contains(Report{QStringLiteral("feature"), hex({1, 2, 3, 3, 15, 0, 0, 231})}));

        QTemporaryDir other;
        const QString virtualText = virtualTrace(other.path(), desc);
        QVERIFY(!virtualText.isEmpty());
        QStringList virtualErrors;
        const QList<Report> expected = reports(virtualText, true, &virtualErrors);
        QVERIFY2(virtualErrors.isEmpty(), qPrintable(virtualErrors.join(QLatin1Char('\n'))));
        QCOMPARE(real.size(), expected.size());
        for (int i = 0; i < real.size(); ++i) {
            QCOMPARE(real.at(i).operation, expected.at(i).operation);
            QCOMPARE(real.at(i).bytes, expected.at(i).bytes);
        }
    }

    void dpiLevelIsReadFromTheMouse()
    {
        umock::MockBed bed;
        const int mouse = bed.plug(RealInstall::family(0));
        bed.pressDpiButton(mouse, 3);
        const RealInstall::Run r = install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("dpi-level")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QCOMPARE(r.out.trimmed(), QStringLiteral("DPI level 3 (level 4 counted from 1)"));
        QVERIFY(QString::fromStdString(bed.trace()).contains(QStringLiteral(" get-feature ")));
    }

    void stalledFeatureReadFails()
    {
        umock::MockBed bed;
        const int mouse = bed.plug(RealInstall::family(0));
        bed.stallFeatureReads(mouse, 2000);
        const RealInstall::Run r = install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("dpi-level")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("the mouse did not answer")), qPrintable(r.out + r.err));
        QVERIFY(QString::fromStdString(bed.trace()).contains(QStringLiteral("get-feature unanswered")));
    }

    void mouseLeavesDuringADataWrite()
    {
        umock::MockBed bed;
        const int mouse = bed.plug(RealInstall::family(0));
        bed.unplugAtNextWrite(mouse);
        const RealInstall::Run r = install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("apply")});
        QVERIFY(bed.leftDuringWrite(mouse));
        bed.unplug(mouse);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("not delivered")), qPrintable(r.out + r.err));
        // Nothing after the refused write reached the mouse.
        const QString trace = QString::fromStdString(bed.trace());
        const QString after = trace.mid(trace.indexOf(QStringLiteral("output refused")));
        QVERIFY(!after.contains(QStringLiteral(" feature ")));
        QVERIFY(!after.contains(QStringLiteral(" output ")));
    }
};

REALHID_TEST_MAIN(TestCommands)
#include "tst_commands.moc"
