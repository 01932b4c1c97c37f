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
};

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
