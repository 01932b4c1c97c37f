// The program in front, named by its process: also after an upgrade replaced its file.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

#include "platform/activewindow.h"
#include "profiles/profileautoswitch.h"
#include "profiles/profileindex.h"

class TestActiveWindow : public QObject
{
    Q_OBJECT

private slots:
    void replacedExecutableStillMatches();
    void reportsChangesAndRemembersWhatWasInFront();
};

namespace {
class FakeSource : public ActiveWindow
{
public:
    bool available() const override { return true; }
    Kind kind() const override { return Kind::Wlroots; }
    using ActiveWindow::report;
};
} // namespace

void TestActiveWindow::reportsChangesAndRemembersWhatWasInFront()
{
    FakeSource source;
    QSignalSpy told(&source, &ActiveWindow::programChanged);
    source.report(QString(), QString());
    QCOMPARE(told.size(), 0);
    source.report(QStringLiteral("/usr/bin/a"), QStringLiteral("a"));
    source.report(QStringLiteral("/usr/bin/a"), QStringLiteral("a"));
    QCOMPARE(told.size(), 1);
    // The same process with another id (a second window class) is news.
    source.report(QStringLiteral("/usr/bin/a"), QStringLiteral("a-viewer"));
    source.report(QString(), QStringLiteral("b"));
    source.report(QString(), QString());
    source.report(QStringLiteral("/usr/bin/a"), QStringLiteral("a"));
    QCOMPARE(told.size(), 5);
    QCOMPARE(told.at(3), (QList<QVariant>{QString(), QString()}));

    // Most recent first, each once, nothing unknown.
    const QList<ActiveWindow::Seen> seen = source.seen();
    QCOMPARE(seen.size(), 3);
    QCOMPARE(seen.at(0).appId, QStringLiteral("a"));
    QCOMPARE(seen.at(1).appId, QStringLiteral("b"));
    QCOMPARE(seen.at(2).appId, QStringLiteral("a-viewer"));

    for (int i = 0; i < 100; ++i)
        source.report(QString(), QStringLiteral("app%1").arg(i));
    QVERIFY(source.seen().size() <= 30);
    QCOMPARE(source.seen().first().appId, QStringLiteral("app99"));
}

void TestActiveWindow::replacedExecutableStillMatches()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    QVERIFY(!sleep.isEmpty());
    // As the kernel names it: no link in the path.
    const QString exe = QFileInfo(dir.path()).canonicalFilePath() + QStringLiteral("/termA");
    QVERIFY(QFile::copy(sleep, exe));
    QVERIFY(QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    ProfileIndex index;
    index.defaultFile = 0;
    index.rules.append({QStringLiteral("termA"), 2});
    index.rules.append({exe + QStringLiteral("-other"), 3});

    QProcess running;
    running.start(exe, {QStringLiteral("60")});
    QVERIFY(running.waitForStarted());
    const qint64 pid = running.processId();
    QCOMPARE(ActiveWindow::executableOf(pid), exe);

    // An upgrade writes the new file beside the old one and renames it over: the kernel then
    // names the running one "<path> (deleted)".
    const QString fresh = exe + QStringLiteral(".new");
    QVERIFY(QFile::copy(sleep, fresh));
    QCOMPARE(std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(exe).constData()), 0);
    QCOMPARE(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)), exe + QStringLiteral(" (deleted)"));
    QCOMPARE(ActiveWindow::executableOf(pid), exe);
    QCOMPARE(ProfileAutoSwitch::profileFor(index, ActiveWindow::executableOf(pid)), 2);

    // Removed and not replaced: still the program it was.
    QVERIFY(QFile::remove(exe));
    QCOMPARE(ActiveWindow::executableOf(pid), exe);

    running.kill();
    running.waitForFinished();
    QVERIFY(ActiveWindow::executableOf(pid).isEmpty());
    QVERIFY(ActiveWindow::executableOf(0).isEmpty());
}

QTEST_GUILESS_MAIN(TestActiveWindow)
#include "tst_activewindow.moc"
