// The GNOME source against a stand-in for the shell's extension interface on a private session
// bus: which copy of the extension goes where, what the user is told for each answer of the
// shell, and the extension's reports becoming programs. (The extension itself needs the real
// shell: tests/desktops/run-gnome-test.sh.)
#include "platform/linux/gnomeactivewindow.h"
#include "common/privatebus.h"
#include "common/testroot.h"
#include "model/mousedata.h"
#include "profiles/profilemanager.h"
#include "profiles/ui/profilerulesdialog.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString shipped = QStringLiteral(MOUSECFG_SOURCE_DIR "/data/gnome-shell");

// Answers as the shell does: its version, whether user extensions run, what it knows of the
// extension, and EnableExtension (which makes a known extension enabled and says so).
class FakeShell : public QDBusVirtualObject
{
public:
    QString version = QStringLiteral("43.9");
    bool userExtensions = true;
    QVariantMap info;
    QStringList enableCalls;

    QString introspect(const QString &) const override { return QString(); }
    bool handleMessage(const QDBusMessage &m, const QDBusConnection &connection) override
    {
        QDBusConnection bus(connection);
        const QVariantList args = m.arguments();
        QVariant answer;
        if (m.member() == QLatin1String("Get") && args.size() == 2) {
            const QString name = args.at(1).toString();
            if (name == QLatin1String("ShellVersion"))
                answer = QVariant::fromValue(QDBusVariant(version));
            else if (name == QLatin1String("UserExtensionsEnabled"))
                answer = QVariant::fromValue(QDBusVariant(userExtensions));
        } else if (m.member() == QLatin1String("GetExtensionInfo")) {
            answer = info;
        } else if (m.member() == QLatin1String("EnableExtension")) {
            enableCalls << args.value(0).toString();
            const bool known = !info.isEmpty();
            if (known) {
                info[QStringLiteral("state")] = 1.0;
                QDBusMessage changed = QDBusMessage::createSignal(QStringLiteral("/org/gnome/Shell"),
                                                                  QStringLiteral("org.gnome.Shell.Extensions"),
                                                                  QStringLiteral("ExtensionStateChanged"));
                changed.setArguments({args.value(0), info});
                bus.send(changed);
            }
            answer = known;
        }
        if (!answer.isValid())
            bus.send(m.createErrorReply(QDBusError::UnknownMethod, m.member()));
        else
            bus.send(m.createReply(answer));
        return true;
    }
};

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestGnomeActiveWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void shippedVariantsFitTheShellsTheyName();
    void installCopiesOnlyWhatDiffers();
    void userIsToldWhatToDo_data();
    void userIsToldWhatToDo();
    void withoutShellTellsNothing();
    void reportsBecomeProgramsAndAppIds();
    void rulesDialogSaysWhatIsLeft();

private:
    QTemporaryDir root;
    bool focus(int pid, const QString &appId);
    QDBusConnection shellBus{QString()};
    FakeShell shell;
    std::unique_ptr<QTemporaryDir> dir;
    QString extension() const { return dir->filePath(QLatin1String(GnomeActiveWindow::Uuid)); }
};

void TestGnomeActiveWindow::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    shell.version = QStringLiteral("43.9");
    shell.userExtensions = true;
    shell.info.clear();
    shell.enableCalls.clear();
}

void TestGnomeActiveWindow::cleanup()
{
    if (shellBus.isConnected()) {
        shellBus.unregisterService(QStringLiteral("org.gnome.Shell"));
        shellBus.unregisterObject(QStringLiteral("/org/gnome/Shell"));
        QDBusConnection::disconnectFromBus(shellBus.name());
        shellBus = QDBusConnection(QString());
    }
}

void TestGnomeActiveWindow::shippedVariantsFitTheShellsTheyName()
{
    // A version listed in one variant but given the other would be refused by that shell.
    for (const QString &variant : {QStringLiteral("legacy"), QStringLiteral("modules")}) {
        const QJsonObject meta = QJsonDocument::fromJson(contents(shipped + QLatin1Char('/') + variant + QStringLiteral("/metadata.json"))).object();
        QCOMPARE(meta.value(QStringLiteral("uuid")).toString(), QLatin1String(GnomeActiveWindow::Uuid));
        const QJsonArray versions = meta.value(QStringLiteral("shell-version")).toArray();
        QVERIFY(!versions.isEmpty());
        for (const QJsonValue &v : versions)
            QCOMPARE(GnomeActiveWindow::variantFor(v.toString() + QStringLiteral(".2")), variant);
        const QByteArray script = contents(shipped + QLatin1Char('/') + variant + QStringLiteral("/extension.js"));
        // ES modules cannot use the legacy importer and the legacy loader cannot take `export`.
        QCOMPARE(script.contains("imports.gi"), variant == QLatin1String("legacy"));
        QCOMPARE(script.contains("export default"), variant == QLatin1String("modules"));
        QVERIFY(script.contains("'WindowFocused'"));
        QVERIFY(script.contains(GnomeActiveWindow::Path));
    }
    QCOMPARE(GnomeActiveWindow::variantFor(QStringLiteral("44.10")), QStringLiteral("legacy"));
    QCOMPARE(GnomeActiveWindow::variantFor(QStringLiteral("46.alpha")), QStringLiteral("modules"));
    QCOMPARE(GnomeActiveWindow::variantFor(QString()), QStringLiteral("legacy"));
}

void TestGnomeActiveWindow::installCopiesOnlyWhatDiffers()
{
    const QString legacy = shipped + QStringLiteral("/legacy");
    bool changed = false;
    QVERIFY(GnomeActiveWindow::install(legacy, extension(), &changed));
    QVERIFY(changed);
    QCOMPARE(contents(extension() + QStringLiteral("/extension.js")), contents(legacy + QStringLiteral("/extension.js")));
    QVERIFY(GnomeActiveWindow::install(legacy, extension(), &changed));
    QVERIFY(!changed);

    // An older copy, or the other variant after a GNOME upgrade, is replaced.
    QFile old(extension() + QStringLiteral("/metadata.json"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("{\"version\": 0}");
    old.close();
    QVERIFY(GnomeActiveWindow::install(legacy, extension(), &changed));
    QVERIFY(changed);
    QCOMPARE(contents(old.fileName()), contents(legacy + QStringLiteral("/metadata.json")));
    QVERIFY(GnomeActiveWindow::install(shipped + QStringLiteral("/modules"), extension(), &changed));
    QVERIFY(changed);
    QVERIFY(contents(extension() + QStringLiteral("/extension.js")).contains("export default"));

    // Nothing shipped, or nowhere to write: said, not taken for a copy.
    QVERIFY(!GnomeActiveWindow::install(dir->filePath(QStringLiteral("none")), dir->filePath(QStringLiteral("other")), &changed));
    QFile blocker(dir->filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!GnomeActiveWindow::install(legacy, blocker.fileName() + QStringLiteral("/x"), &changed));
}

void TestGnomeActiveWindow::userIsToldWhatToDo_data()
{
    QTest::addColumn<double>("state");          // 0: the shell does not know the extension
    QTest::addColumn<bool>("userExtensions");
    QTest::addColumn<bool>("enabledBefore");    // the program switched it on at an earlier start
    QTest::addColumn<int>("enables");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("advice");
    const int login = int(GnomeActiveWindow::State::NeedsLogin), off = int(GnomeActiveWindow::State::SwitchedOff),
              refused = int(GnomeActiveWindow::State::Refused), on = int(GnomeActiveWindow::State::Enabled);
    QTest::newRow("copied after the shell started") << 0.0 << true << false << 0 << login << 244;
    QTest::newRow("found at login, switched on") << 2.0 << true << false << 1 << on << 0;
    QTest::newRow("found initialized, switched on") << 6.0 << true << false << 1 << on << 0;
    QTest::newRow("switched off by the user later") << 2.0 << true << true << 0 << off << 245;
    QTest::newRow("all extensions off") << 2.0 << false << false << 0 << off << 245;
    QTest::newRow("enabled but all extensions off") << 1.0 << false << false << 0 << off << 245;
    QTest::newRow("enabled") << 1.0 << true << true << 0 << on << 0;
    QTest::newRow("error") << 3.0 << true << false << 0 << refused << 246;
    QTest::newRow("out of date") << 4.0 << true << false << 0 << refused << 246;
}

void TestGnomeActiveWindow::userIsToldWhatToDo()
{
    QFETCH(double, state);
    QFETCH(bool, userExtensions);
    QFETCH(bool, enabledBefore);
    QFETCH(int, enables);
    QFETCH(int, outcome);
    QFETCH(int, advice);
    shellBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("shell"));
    QVERIFY(shellBus.registerVirtualObject(QStringLiteral("/org/gnome/Shell"), &shell));
    QVERIFY(shellBus.registerService(QStringLiteral("org.gnome.Shell")));
    shell.userExtensions = userExtensions;
    if (state > 0)
        shell.info = {{QStringLiteral("uuid"), QLatin1String(GnomeActiveWindow::Uuid)}, {QStringLiteral("state"), state}};
    if (enabledBefore) {
        QVERIFY(QDir().mkpath(extension()));
        QFile mark(extension() + QStringLiteral("/.enabled-by-mousecfg"));
        QVERIFY(mark.open(QIODevice::WriteOnly));
    }

    GnomeActiveWindow source(QDBusConnection::sessionBus(), shipped, dir->path());
    QCOMPARE(source.state(), GnomeActiveWindow::State::Asking);
    QTRY_COMPARE_WITH_TIMEOUT(int(source.state()), outcome, 5000);
    QCOMPARE(shell.enableCalls.size(), enables);
    QCOMPARE(source.adviceText(), advice);
    // Running is not yet reporting: that takes the extension's first word.
    QVERIFY(!source.available());
    QVERIFY(QFile::exists(extension() + QStringLiteral("/extension.js")));
    // Switched on once: a user who switches it off later is not overruled at the next start.
    QCOMPARE(QFile::exists(extension() + QStringLiteral("/.enabled-by-mousecfg")), enabledBefore || enables > 0);
}

void TestGnomeActiveWindow::withoutShellTellsNothing()
{
    GnomeActiveWindow source(QDBusConnection::sessionBus(), shipped, dir->path());
    QTRY_COMPARE_WITH_TIMEOUT(source.state(), GnomeActiveWindow::State::NoShell, 15000);
    QVERIFY(!source.available());
    QCOMPARE(source.adviceText(), 0);
    // Not a GNOME session after all: nothing is put into the user's folders.
    QVERIFY(!QFile::exists(extension()));
}

void TestGnomeActiveWindow::reportsBecomeProgramsAndAppIds()
{
    shellBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("shell"));
    QVERIFY(shellBus.registerVirtualObject(QStringLiteral("/org/gnome/Shell"), &shell));
    QVERIFY(shellBus.registerService(QStringLiteral("org.gnome.Shell")));
    shell.version = QStringLiteral("46.1");
    shell.info = {{QStringLiteral("state"), 1.0}};
    GnomeActiveWindow source(QDBusConnection::sessionBus(), shipped, dir->path());
    QTRY_COMPARE_WITH_TIMEOUT(source.state(), GnomeActiveWindow::State::Enabled, 5000);
    QVERIFY(contents(extension() + QStringLiteral("/extension.js")).contains("export default"));

    QProcess other;
    other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(other.waitForStarted());
    QSignalSpy told(&source, &ActiveWindow::programChanged);
    QSignalSpy changed(&source, &GnomeActiveWindow::stateChanged);
    // Another program of the session cannot pose as the shell.
    QDBusConnection intruder = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("intruder"));
    QDBusMessage posed = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(),
                                                        QLatin1String(GnomeActiveWindow::Path),
                                                        QStringLiteral("org.mousecfg.GnomeShell"), QStringLiteral("WindowFocused"));
    posed.setArguments({int(other.processId()), QStringLiteral("posed")});
    const QDBusPendingCall answered = intruder.asyncCall(posed);
    QTRY_VERIFY_WITH_TIMEOUT(answered.isFinished(), 5000);
    QDBusConnection::disconnectFromBus(intruder.name());
    QVERIFY(told.isEmpty());
    QVERIFY(!source.available());

    QVERIFY(focus(int(other.processId()), QStringLiteral("org.example.Editor.desktop")));
    QTRY_COMPARE_WITH_TIMEOUT(told.size(), 1, 5000);
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(other.processId()));
    QVERIFY(!exe.isEmpty());
    QCOMPARE(told.at(0).at(0).toString(), exe);
    QCOMPARE(told.at(0).at(1).toString(), QStringLiteral("org.example.Editor"));
    QVERIFY(source.available());
    QCOMPARE(changed.size(), 1);

    // Nothing focused (the overview, the desktop): unknown, and the extension still reports.
    QVERIFY(focus(0, QString()));
    QTRY_COMPARE_WITH_TIMEOUT(told.size(), 2, 5000);
    QCOMPARE(told.at(1).at(0).toString(), QString());
    QVERIFY(source.available());
    QCOMPARE(changed.size(), 1);

    // Switched off in Extensions: not reporting any more, and the dialog says what to do.
    shell.info = {{QStringLiteral("state"), 2.0}};
    QDBusMessage off = QDBusMessage::createSignal(QStringLiteral("/org/gnome/Shell"), QStringLiteral("org.gnome.Shell.Extensions"),
                                                  QStringLiteral("ExtensionStateChanged"));
    off.setArguments({QLatin1String(GnomeActiveWindow::Uuid), shell.info});
    QFile mark(extension() + QStringLiteral("/.enabled-by-mousecfg"));
    QVERIFY(mark.open(QIODevice::WriteOnly));
    mark.close();
    QVERIFY(shellBus.send(off));
    QTRY_COMPARE_WITH_TIMEOUT(source.state(), GnomeActiveWindow::State::SwitchedOff, 5000);
    QVERIFY(!source.available());
    QCOMPARE(source.adviceText(), 245);
    other.kill();
    other.waitForFinished();
}

// What the extension sends when a window gets the focus.
bool TestGnomeActiveWindow::focus(int pid, const QString &appId)
{
    QDBusMessage m = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(),
                                                    QLatin1String(GnomeActiveWindow::Path),
                                                    QStringLiteral("org.mousecfg.GnomeShell"), QStringLiteral("WindowFocused"));
    m.setArguments({pid, appId});
    return shellBus.send(m);
}

void TestGnomeActiveWindow::rulesDialogSaysWhatIsLeft()
{
    QVERIFY(root.isValid());
    QVERIFY(TestRoot::install(root.path()));
    ProfileManager::instance()->load();
    MouseData *md = MouseData::instance();
    shellBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("shell"));
    QVERIFY(shellBus.registerVirtualObject(QStringLiteral("/org/gnome/Shell"), &shell));
    QVERIFY(shellBus.registerService(QStringLiteral("org.gnome.Shell")));

    // Copied while the shell runs: the user is told to log in again, not that GNOME tells nothing.
    GnomeActiveWindow source(QDBusConnection::sessionBus(), shipped, dir->path());
    ProfileRulesDialog dialog(&source);
    QTRY_VERIFY_WITH_TIMEOUT(dialog.stateTxt->text().contains(md->languageText(244)), 5000);
    QVERIFY(dialog.stateTxt->text().contains(md->languageText(240)));
    QVERIFY(!dialog.stateTxt->text().contains(md->languageText(206)));
    QVERIFY(!dialog.addRunningBtn->isEnabled());

    // After that login the extension reports, also while the dialog is open.
    QVERIFY(focus(int(QCoreApplication::applicationPid()), QString()));
    QTRY_VERIFY_WITH_TIMEOUT(dialog.addRunningBtn->isEnabled(), 5000);
    QVERIFY(!dialog.stateTxt->text().contains(md->languageText(244)));
    QVERIFY(dialog.stateTxt->text().contains(md->languageText(240)));
    QVERIFY(dialog.stateTxt->text().contains(md->languageText(215)));
}

int main(int argc, char *argv[])
{
    if (const int failed = runOnPrivateBus(argc, argv))
        return failed;
    QApplication app(argc, argv);
    TestGnomeActiveWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gnomeactivewindow.moc"
