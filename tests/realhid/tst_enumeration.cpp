// What the real hidapi-hidraw finds in mocked sysfs trees: which interfaces the programs list,
// which family they attach, and how a refused open and an unplugged mouse show.
#include "realinstall.h"

#include <QtTest>


namespace {

QStringList linesWith(const QString &text, const QString &part)
{
    QStringList found;
    for (const QString &line : text.split(QLatin1Char('\n')))
        if (line.contains(part))
            found << line;
    return found;
}

} // namespace

class TestEnumeration : public QObject
{
    Q_OBJECT

    RealInstall install;

private slots:
    void initTestCase() { QVERIFY(install.make()); }

    void listsTheMouseAmongDecoys()
    {
        umock::MockBed bed;
        QVERIFY(bed.valid());
        const int mouse = bed.plug(RealInstall::family(0));
        QVERIFY(mouse >= 0);
        bed.plugDecoys();
        const RealInstall::Run r = install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("devices")});
        QCOMPARE(r.exitCode, 0);
        const QString command = QString::fromStdString(bed.commandNode(mouse));
        const QString event = QString::fromStdString(bed.eventNode(mouse));
        QCOMPARE(linesWith(r.out, QStringLiteral("path=") + command + QLatin1Char(' ')),
                 QStringList{QStringLiteral("vid=f0e1 pid=7a01 usagePage=ff00 usage=1 path=%1  <- entry 0 (family 0) "
                                            "command interface").arg(command)});
        QCOMPARE(linesWith(r.out, QStringLiteral("path=") + event + QLatin1Char(' ')),
                 QStringList{QStringLiteral("vid=f0e1 pid=7a01 usagePage=ff01 usage=1 path=%1  <- entry 0 (family 0) "
                                            "event interface").arg(event)});
        // The keyboard and the headset (with its nested collection) are listed, unmarked.
        QCOMPARE(linesWith(r.out, QStringLiteral("vid=1d50 pid=6101 usagePage=1 usage=6 ")).size(), 1);
        QVERIFY(!linesWith(r.out, QStringLiteral("vid=1d50 pid=6102 usagePage=c usage=1 ")).isEmpty());
        QVERIFY(linesWith(r.out, QStringLiteral("vid=1d50")).filter(QStringLiteral("<-")).isEmpty());
        QVERIFY2(r.out.contains(QStringLiteral(", 2 known to ")), qPrintable(r.out));
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    }

    void statusFindsEachFamily_data()
    {
        QTest::addColumn<int>("familyIndex");
        QTest::addColumn<bool>("combined");
        QTest::addColumn<QString>("expected");
        QTest::newRow("32-byte, two interfaces") << 0 << false << "family 0: catalogue entry 0, f0e1:7a01, report length 32";
        QTest::newRow("64-byte, two interfaces") << 5 << false << "family 5: catalogue entry 5, f0e1:7a06, report length 64";
        QTest::newRow("one interface, two usages") << 1 << true << "family 1: catalogue entry 1, f0e1:7a02, report length 32";
    }
    void statusFindsEachFamily()
    {
        QFETCH(int, familyIndex);
        QFETCH(bool, combined);
        QFETCH(QString, expected);
        umock::MockBed bed;
        bed.plugDecoys();
        const int mouse = bed.plug(RealInstall::family(familyIndex), combined);
        QVERIFY(mouse >= 0);
        QCOMPARE(bed.nodes(mouse).size(), combined ? size_t(1) : size_t(2));
        const RealInstall::Run r = install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("status")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QCOMPARE(r.out.trimmed(), expected);
        // A device check opens nothing: the mouse heard nothing.
        vmouse_state s{};
        QVERIFY(bed.state(mouse, &s));
        QCOMPARE(s.commands, 0u);
        QCOMPARE(s.errors, 0u);
    }

    void combinedInterfaceIsListedOncePerUsage()
    {
        umock::MockBed bed;
        const int mouse = bed.plug(RealInstall::family(1), true);
        const RealInstall::Run r = install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("devices")});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = linesWith(r.out, QStringLiteral("path=") + QString::fromStdString(bed.commandNode(mouse)));
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).contains(QStringLiteral("usagePage=ff00 usage=1 ")));
        QVERIFY(lines.at(0).endsWith(QStringLiteral("command interface")));
        QVERIFY(lines.at(1).contains(QStringLiteral("usagePage=ff01 usage=1 ")));
        QVERIFY(lines.at(1).endsWith(QStringLiteral("event interface")));
    }

    void unpluggedMouseIsGone()
    {
        umock::MockBed bed;
        const int mouse = bed.plug(RealInstall::family(0));
        QCOMPARE(install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("status")}).exitCode, 0);
        bed.unplug(mouse);
        const RealInstall::Run r = install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("status")});
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.out.trimmed(), QStringLiteral("no supported mouse is attached"));
        const RealInstall::Run d = install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("devices")});
        QCOMPARE(d.exitCode, 0);
        QVERIFY2(d.out.contains(QStringLiteral("0 interface(s), 0 known to ")), qPrintable(d.out));
    }

    void refusedOpenGivesTheRuleAdvice()
    {
        umock::MockBed bed;
        const int mouse = bed.plug(RealInstall::family(0));
        bed.denyOpen(bed.commandNode(mouse));
        bed.denyOpen(bed.eventNode(mouse));
        const RealInstall::Run r = install.run(bed, QStringLiteral("mousecfg-cli"), {QStringLiteral("devices")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(linesWith(r.out, QStringLiteral("cannot be opened")).size(), 2);
        QVERIFY2(r.err.contains(QStringLiteral("2 interface(s) of a supported mouse cannot be opened")), qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("mousecfg-cli udev-rule | sudo tee /etc/udev/rules.d/70-mousecfg.rules")));
    }
};

REALHID_TEST_MAIN(TestEnumeration)
#include "tst_enumeration.moc"
