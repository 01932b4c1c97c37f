// The program as a desktop session meets it: a mouse plugged through the virtual mouse's
// control FIFO, a start hidden in the tray, and messages through a notification service on
// a private session bus, recorded by a server written here.
#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolTip>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUuid>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>

#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/apptestroot.h"
#include "common/devicecheck.h"
#include "common/testroot.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "model/languagetable.h"
#include "model/mousedata.h"
#include "pages/keys/funbtnwindow.h"
#include "pages/keys/mainmenuwindow.h"
#include "pages/keys/submenuwindow.h"
#include "pages/keys/mousewindow.h"
#include "platform/autostart.h"
#include "platform/darklook.h"
#include "platform/focusring.h"
#include "platform/desktopnotifications.h"
#include "sim/vmouse.h"

// What a desktop's notification service receives; it answers as one does, with the id it
// was asked to replace or a new one.
class RecordingNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        uint replacesId;
        QString summary;
        QString body;
        uint answeredId;
    };
    QList<Call> calls;
    uint lastId = 0;

public slots:
    uint Notify(const QString &appName, uint replacesId, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        Q_UNUSED(appName);
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        Q_UNUSED(hints);
        Q_UNUSED(timeout);
        const uint id = replacesId ? replacesId : ++lastId;
        calls.append({replacesId, summary, body, id});
        return id;
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
};

namespace {

// The program in a child process of this test binary (see main below).
int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    MainWindow::setTrayAvailableForTesting(qEnvironmentVariableIntValue("MOUSECFG_CHILD_TRAY"));
    Startup::Options options;
    options.dataRoot = qEnvironmentVariable("MOUSECFG_CHILD_ROOT");
    options.instanceKey = qEnvironmentVariable("MOUSECFG_CHILD_KEY");
    options.useExecutableDirectory = false;
    options.startHidden = qEnvironmentVariableIntValue("MOUSECFG_CHILD_HIDDEN") == 1;
    options.windowReady = [](MainWindow *window) {
        AppTestRoot::reportShows(window);
        QObject::connect(Controller::instance(), &Controller::deviceChecked, window, [window](int found) {
            // Queued: the window's own reaction to the check runs first.
            QTimer::singleShot(0, window, [window, found]() {
                std::printf("device %d visible=%d\n", found, window->isVisible() ? 1 : 0);
                std::fflush(stdout);
            });
        });
        std::printf("ready\n");
        std::fflush(stdout);
    };
    return Startup::run(app, options);
}

bool waitForLine(QProcess *process, const QByteArray &prefix, int ms = 15000)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        while (process->canReadLine()) {
            if (process->readLine().trimmed().startsWith(prefix))
                return true;
        }
        if (process->state() == QProcess::NotRunning)
            return false;
        process->waitForReadyRead(100);
    }
    return false;
}

bool writeLine(const QString &fifo, const QByteArray &line)
{
    QFile f(fifo);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    return f.write(line + '\n') == line.size() + 1;
}

} // namespace

class TestDesktopSession : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void plugAndUnplugThroughControlReachTheProgram();
    void hiddenStartWaitsForTheUser();
    void notificationsReplaceTheirPredecessor();
    void autostartEntryFollowsTheChoice();
    void languageFollowsLocaleUnlessChosen();
    void noMouseNoticeSaysWhy();
    void standardDialogsAreDark();
    void keyboardFocusIsVisible();
    void keyColumnsKeepTheirSize_data();
    void keyColumnsKeepTheirSize();

private:
    std::unique_ptr<QProcess> startChild(const QProcessEnvironment &extra);

    QTemporaryDir dir;
    QProcess bus;
    RecordingNotificationServer server;
};

void TestDesktopSession::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(TestRoot::install(dir.path()));
    // A private session bus: the tests never talk to the desktop they run on.
    bus.setProgram(QStringLiteral("dbus-daemon"));
    bus.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                      QStringLiteral("--print-address=1")});
    bus.start();
    QVERIFY2(bus.waitForStarted(), "dbus-daemon is needed (package dbus)");
    QVERIFY(bus.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    QVERIFY(!address.isEmpty());
    QDBusConnection server = QDBusConnection::connectToBus(address, QStringLiteral("server"));
    QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("client"));
    QVERIFY(server.isConnected() && client.isConnected());
    QVERIFY(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &this->server,
                                  QDBusConnection::ExportAllSlots));
    QVERIFY(server.registerService(QStringLiteral("org.freedesktop.Notifications")));
    DesktopNotifications::setConnectionNameForTesting(QStringLiteral("client"));
    TestRoot::loadProfile();
}

void TestDesktopSession::cleanupTestCase()
{
    DesktopNotifications::setConnectionNameForTesting(QString());
    QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    bus.terminate();
    bus.waitForFinished(5000);
    vmouse_reset();
    Controller::shutdown();
}

std::unique_ptr<QProcess> TestDesktopSession::startChild(const QProcessEnvironment &extra)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MOUSECFG_APP_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("MOUSECFG_CHILD_ROOT"), dir.path());
    env.insert(QStringLiteral("MOUSECFG_CHILD_TRAY"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.insert(extra);
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QCoreApplication::applicationFilePath(), {});
    return process;
}

// A plug and an unplug through VMOUSE_CONTROL reach the running program as device changes,
// with no tray click to start a check.
void TestDesktopSession::plugAndUnplugThroughControlReachTheProgram()
{
    QTemporaryDir fifoDir;
    const QString fifo = fifoDir.filePath(QStringLiteral("control"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcessEnvironment env;
    env.insert(QStringLiteral("VMOUSE_DEVICES"), QString());
    env.insert(QStringLiteral("VMOUSE_CONTROL"), fifo);
    env.insert(QStringLiteral("MOUSECFG_CHILD_KEY"), QUuid::createUuid().toString(QUuid::Id128));
    auto child = startChild(env);
    QVERIFY(waitForLine(child.get(), "ready"));

    QVERIFY(writeLine(fifo, "plug f0e1:7a02:ff00:1:ff01:1:32"));
    QVERIFY2(waitForLine(child.get(), "device 1 visible=1"), "the plug did not reach the program");
    // Ids count from 0 in the order of plugs.
    QVERIFY(writeLine(fifo, "unplug 0"));
    QVERIFY2(waitForLine(child.get(), "device -1"), "the unplug did not reach the program");

    ::kill(pid_t(child->processId()), SIGTERM);
    QVERIFY(child->waitForFinished(30000));
    QCOMPARE(child->exitCode(), 0);
}

void TestDesktopSession::hiddenStartWaitsForTheUser()
{
    const QString key = QUuid::createUuid().toString(QUuid::Id128);
    QProcessEnvironment env;
    env.insert(QStringLiteral("MOUSECFG_CHILD_HIDDEN"), QStringLiteral("1"));
    env.insert(QStringLiteral("MOUSECFG_CHILD_KEY"), key);
    auto child = startChild(env);
    QVERIFY(waitForLine(child.get(), "ready"));
    // The mouse is found, the window stays in the tray.
    QVERIFY(waitForLine(child.get(), "device 0 visible=0"));

    // The user opens it by starting the program again.
    QProcessEnvironment second;
    second.insert(QStringLiteral("MOUSECFG_CHILD_KEY"), key);
    auto opener = startChild(second);
    QVERIFY(opener->waitForFinished(30000));
    QVERIFY(waitForLine(child.get(), "shown"));

    ::kill(pid_t(child->processId()), SIGTERM);
    QVERIFY(child->waitForFinished(30000));
}

void TestDesktopSession::notificationsReplaceTheirPredecessor()
{
    // No mouse: the check a failed change starts finds none, and the window stays hidden.
    vmouse_reset();
    QVERIFY(checkFindsFamily(-1));
    MainWindow::setTrayAvailableForTesting(0);
    auto w = std::make_unique<MainWindow>();
    MouseData *md = MouseData::instance();
    md->isDefaultDPI = 0;
    md->xDpiList = {400, 800, 1600};
    server.calls.clear();
    QTRY_VERIFY(w->notifications->isAvailable());

    // Hidden window, no tray: each level change replaces the message of the one before.
    QVERIFY(!w->isVisible());
    w->handleEventReport(4, 1, 0, 0);
    QTRY_COMPARE(server.calls.size(), 1);
    // Sent before the service answered the one before: it must still replace it.
    w->handleEventReport(4, 1, 0, 1);
    w->handleEventReport(4, 1, 0, 2);
    QTRY_COMPARE(server.calls.last().body, QStringLiteral("1600"));
    for (int i = 0; i < server.calls.size(); ++i) {
        QCOMPARE(server.calls[i].summary, QStringLiteral("DPI"));
        QCOMPARE(server.calls[i].replacesId, i == 0 ? 0u : server.calls[0].answeredId);
    }

    // A failed change is a message of its own kind: it neither replaces the DPI message nor
    // is replaced by it.
    const int before = server.calls.size();
    w->transferFailedProc();
    QTRY_COMPARE(server.calls.size(), before + 1);
    QCOMPARE(server.calls.last().replacesId, 0u);
    QCOMPARE(server.calls.last().body, md->languageText(115));
    QVERIFY(server.calls.last().answeredId != server.calls[0].answeredId);

    // A visible window with a tray shows its balloon; the service is not asked.
    MainWindow::setTrayAvailableForTesting(1);
    w->trayIcon->show();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const int shownBefore = server.calls.size();
    w->handleEventReport(4, 1, 0, 1);
    QTest::qWait(200);
    QCOMPARE(server.calls.size(), shownBefore);
    w.reset();
    MainWindow::setTrayAvailableForTesting(-1);
}

void TestDesktopSession::autostartEntryFollowsTheChoice()
{
    QTemporaryDir home;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedDirs = qgetenv("XDG_CONFIG_DIRS");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(home.filePath(QStringLiteral("xdg"))));
    const QString user = home.filePath(QStringLiteral("config/autostart/mousecfg.desktop"));
    QCOMPARE(Autostart::userEntryPath(), user);

    // No entry anywhere: off. On writes the user's entry, starting this program hidden.
    QVERIFY(!Autostart::isEnabled());
    QVERIFY(Autostart::setEnabled(true, nullptr, Autostart::execLine(QStringLiteral("/opt/my apps/mousecfg"))));
    QVERIFY(Autostart::isEnabled());
    QFile f(user);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("Exec=\"/opt/my apps/mousecfg\" --hidden\n"));
    f.close();
    // Off without a package entry removes the file.
    QVERIFY(Autostart::setEnabled(false));
    QVERIFY(!QFile::exists(user));

    // The package's entry starts it; the user's hidden entry overrides it, and on again.
    QDir().mkpath(home.filePath(QStringLiteral("xdg/autostart")));
    QFile system(home.filePath(QStringLiteral("xdg/autostart/mousecfg.desktop")));
    QVERIFY(system.open(QIODevice::WriteOnly));
    system.write("[Desktop Entry]\nType=Application\nName=mousecfg\nExec=mousecfg --hidden\n");
    system.close();
    QVERIFY(Autostart::isEnabled());
    QVERIFY(Autostart::setEnabled(false));
    QVERIFY(QFile::exists(user));
    QVERIFY(!Autostart::isEnabled());
    QVERIFY(Autostart::setEnabled(true));
    QVERIFY(Autostart::isEnabled());

    // The settings menu shows the state and changes it.
    MainWindow::setTrayAvailableForTesting(1);
    {
        MainWindow w;
        QVERIFY(w.autostartAction->isChecked());
        w.autostartAction->trigger();
        QVERIFY(!Autostart::isEnabled());
        QVERIFY(!w.autostartAction->isChecked());
    }
    MainWindow::setTrayAvailableForTesting(-1);
    qputenv("XDG_CONFIG_HOME", savedConfig);
    qputenv("XDG_CONFIG_DIRS", savedDirs);
    if (savedConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    if (savedDirs.isEmpty())
        qunsetenv("XDG_CONFIG_DIRS");
}

void TestDesktopSession::languageFollowsLocaleUnlessChosen()
{
    // The locale names the table: the variables in gettext's order of precedence.
    const QList<LanguageTable::Info> tables = LanguageTable::available();
    QCOMPARE(tables.size(), 2);
    {
        // Only tables count, whatever the case of their suffix; a table offered twice would not.
        const QString dir = DataPaths::languageDir() + QLatin1Char('/');
        QFile other(dir + QStringLiteral("readme.txt")), upper(dir + QStringLiteral("Zz.INI"));
        QVERIFY(other.open(QIODevice::WriteOnly) && upper.open(QIODevice::WriteOnly));
        upper.write("[language]\nname=Zz\n");
        other.close();
        upper.close();
        const QList<LanguageTable::Info> withExtra = LanguageTable::available();
        QVERIFY(other.remove() && upper.remove());
        QCOMPARE(withExtra.size(), 3);
        QCOMPARE(withExtra.last().name, QStringLiteral("Zz"));
    }
    const QString zh = DataPaths::languageFile(QStringLiteral("ChineseSimplified"));
    const QString en = DataPaths::languageFile(QStringLiteral("English"));
    auto pick = [&](const char *language, const char *all, const char *messages, const char *lang) {
        return LanguageTable::pickForLocale(
            tables, LanguageTable::localeCandidates(QLatin1String(language), QLatin1String(all),
                                                    QLatin1String(messages), QLatin1String(lang)));
    };
    QCOMPARE(pick("", "", "", "zh_CN.UTF-8"), zh);
    QCOMPARE(pick("", "", "", "zh_TW.UTF-8"), zh);
    QCOMPARE(pick("", "", "", "de_DE.UTF-8"), en);
    QCOMPARE(pick("", "", "zh_CN.UTF-8", "en_US.UTF-8"), zh);
    QCOMPARE(pick("", "en_GB.UTF-8", "zh_CN.UTF-8", ""), en);
    QCOMPARE(pick("zh_CN:en", "", "", "en_US.UTF-8"), zh);
    QCOMPARE(pick("de:zh", "", "", "en_US.UTF-8"), zh);
    // LANGUAGE does not count under the C locale; no locale at all leaves the catalogue to decide.
    QCOMPARE(pick("zh_CN", "", "", "C"), QString());
    QCOMPARE(pick("", "", "", ""), QString());
    QCOMPARE(pick("", "", "", "C.UTF-8"), QString());

    // Each table names itself; the settings menu offers them all.
    QStringList names;
    for (const LanguageTable::Info &t : tables)
        names << t.name;
    QCOMPARE(names, (QStringList{QStringLiteral("简体中文"), QStringLiteral("English")}));

    const QByteArray savedLang = qgetenv("LANG");
    qputenv("LANG", "zh_CN.UTF-8");
    QCOMPARE(LanguageTable::activeFile(), zh);
    MainWindow::setTrayAvailableForTesting(1);
    {
        MainWindow w;
        QCOMPARE(w.windowTitle(), QStringLiteral("游戏鼠标"));
        QStringList offered;
        for (QAction *a : w.languageMenu->actions())
            offered << a->text();
        QCOMPARE(offered.size(), 3);
        QVERIFY(offered.contains(QStringLiteral("English")));
        QVERIFY(offered.contains(QStringLiteral("简体中文")));
        // The user's choice wins over the locale from the next start on.
        for (QAction *a : w.languageMenu->actions()) {
            if (a->text() == QLatin1String("English"))
                a->trigger();
        }
    }
    QCOMPARE(LanguageTable::chosen(), QStringLiteral("English"));
    QCOMPARE(LanguageTable::activeFile(), en);
    // A choice naming no table (a removed translation, or a path) falls back to the locale.
    QVERIFY(LanguageTable::setChosen(QStringLiteral("../data/apConfig")));
    QCOMPARE(LanguageTable::activeFile(), zh);
    QVERIFY(LanguageTable::setChosen(QString()));
    MainWindow::setTrayAvailableForTesting(-1);
    qputenv("LANG", savedLang);
}

// Shown without a usable mouse the window says so, and when the mouse is there but refuses to
// open, what to do about it.
void TestDesktopSession::noMouseNoticeSaysWhy()
{
    MainWindow::setTrayAvailableForTesting(1);
    vmouse_reset();
    QVERIFY(checkFindsFamily(-1));
    auto w = std::make_unique<MainWindow>();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    MouseData *md = MouseData::instance();
    QVERIFY(w->noMouseNotice->isVisible());
    QCOMPARE(w->noMouseNotice->text(), md->languageText(155));
    // It covers the pages, not the navigation column.
    QVERIFY(w->noMouseNotice->geometry().contains(w->mousePage->geometry().center()));
    QVERIFY(!w->noMouseNotice->geometry().intersects(w->funBtn->geometry()));

    TestRoot::plugFamily(0);
    QVERIFY(checkFindsFamily(0));
    QVERIFY(!w->noMouseNotice->isVisible());

    // The node is there but not this user's: the first change tells what to do.
    vmouse_fail_next("open", 1000);
    QSignalSpy refused(Controller::instance(), &Controller::openRefused);
    Controller::instance()->currentIc()->setReportRate(QStringLiteral("2"));
    QVERIFY(refused.wait(5000));
    QTRY_VERIFY(w->noMouseNotice->isVisible());
    // Beside its files the program points to the tool's own command (no manual installed).
    QCOMPARE(w->noMouseNotice->text(), md->languageText(223));
    // The recheck that follows the failure finds the mouse again: the advice stays.
    QVERIFY(checkFindsFamily(0));
    QVERIFY(w->noMouseNotice->isVisible());

    // Unplugged, and plugged in again once the rule is there.
    vmouse_reset();
    QVERIFY(checkFindsFamily(-1));
    QCOMPARE(w->noMouseNotice->text(), md->languageText(155));
    TestRoot::plugFamily(0);
    QVERIFY(checkFindsFamily(0));
    QVERIFY(!w->noMouseNotice->isVisible());
    w.reset();
    MainWindow::setTrayAvailableForTesting(-1);
}

namespace {
// Mean lightness (0..255) of a widget as drawn, and whether any of it is light (its text).
QPair<int, bool> lightness(QWidget *w)
{
    w->ensurePolished();
    w->adjustSize();
    const QImage img = w->grab().toImage();
    qint64 sum = 0;
    bool light = false;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const int l = QColor(img.pixel(x, y)).lightness();
            sum += l;
            light = light || l > 180;
        }
    }
    return {int(sum / qMax(1, img.width() * img.height())), light};
}
} // namespace

// Message boxes, prompts, the file dialog, tooltips and edit menus in the program's dark look,
// with light text on it.
void TestDesktopSession::standardDialogsAreDark()
{
    DarkLook::install(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("mousecfg"),
                    QStringLiteral("The update program could not be started."), QMessageBox::Ok);
    auto drawn = lightness(&box);
    QVERIFY2(drawn.first < 80 && drawn.second, qPrintable(QString::number(drawn.first)));

    QInputDialog prompt;
    prompt.setLabelText(QStringLiteral("Name of the new macro:"));
    drawn = lightness(&prompt);
    QVERIFY2(drawn.first < 80 && drawn.second, qPrintable(QString::number(drawn.first)));

    QLineEdit edit(QStringLiteral("macro one"));
    edit.selectAll();
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    drawn = lightness(menu.get());
    QVERIFY2(drawn.first < 80 && drawn.second, qPrintable(QString::number(drawn.first)));

    // The file dialog's labels were black on near-black: text and background far apart.
    QFileDialog files(nullptr, QStringLiteral("Program"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    for (QLabel *label : files.findChildren<QLabel *>()) {
        const QPalette p = label->palette();
        QVERIFY(p.color(label->foregroundRole()).lightness() - p.color(QPalette::Window).lightness() > 150);
    }
    QVERIFY(QToolTip::palette().color(QPalette::ToolTipBase).lightness() < 100);
    QVERIFY(QToolTip::palette().color(QPalette::ToolTipText).lightness() > 200);
}

// Buttons styled without a border still show where the keyboard focus is.
void TestDesktopSession::keyboardFocusIsVisible()
{
    FocusRing ring;
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    QPushButton first(QStringLiteral("first"));
    QPushButton second(QStringLiteral("second"));
    for (QPushButton *b : {&first, &second}) {
        b->setStyleSheet(QStringLiteral("QPushButton { border: none; background: #434343; color: white; }"));
        b->setFocusPolicy(Qt::StrongFocus);
        layout->addWidget(b);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    first.setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(first.hasFocus());

    QTest::keyClick(&first, Qt::Key_Tab);
    QTRY_VERIFY(second.hasFocus());
    QWidget *drawn = ring.ringOf(&window);
    QVERIFY(drawn && drawn->isVisible());
    QVERIFY(drawn->geometry().contains(second.geometry()));
    QVERIFY(!drawn->geometry().contains(first.geometry()));
    QVERIFY(drawn->testAttribute(Qt::WA_TransparentForMouseEvents));

    QTest::keyClick(&second, Qt::Key_Backtab);
    QTRY_VERIFY(first.hasFocus());
    QVERIFY(drawn->isVisible());
    QVERIFY(drawn->geometry().contains(first.geometry()));

    // It follows its widget when the layout moves it.
    first.setMinimumHeight(first.height() + 40);
    QTRY_VERIFY(drawn->geometry().contains(second.geometry()) == false
                && drawn->geometry().contains(first.geometry()));

    // A click puts the focus where the user looks anyway: no ring.
    QTest::mouseClick(&second, Qt::LeftButton);
    QTRY_VERIFY(second.hasFocus());
    QVERIFY(!drawn->isVisible());
}

// Opening a picker must not squeeze the key list, move the category list or grow the window:
// clicks would land on other rows than the ones the user aimed at.
void TestDesktopSession::keyColumnsKeepTheirSize_data()
{
    QTest::addColumn<int>("family");
    QTest::newRow("family 0") << 0;
    QTest::newRow("family 5 (markers furthest out)") << 5;
}

void TestDesktopSession::keyColumnsKeepTheirSize()
{
    QFETCH(int, family);
    MainWindow::setTrayAvailableForTesting(1);
    vmouse_reset();
    TestRoot::plugFamily(family);
    QVERIFY(checkFindsFamily(family));
    auto w = std::make_unique<MainWindow>();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    w->onWindowSelect(0);
    w->mainMenu->selectedKey = 0;
    w->subMenu->category = 0;
    w->menuContorlProc();
    QCoreApplication::processEvents();
    const QSize window = w->size();
    const QRect keys = w->mainMenu->geometry();
    const QRect categories = w->subMenu->geometry();
    for (int category = 1; category <= 7; ++category) {
        w->subMenu->category = category;
        w->menuContorlProc();
        QCoreApplication::processEvents();
        const QString what = QStringLiteral("category %1: window %2x%3, keys %4 wide, categories at %5")
                                 .arg(category).arg(w->width()).arg(w->height()).arg(w->mainMenu->width())
                                 .arg(w->subMenu->x());
        QVERIFY2(w->size() == window, qPrintable(what));
        QVERIFY2(w->mainMenu->geometry() == keys, qPrintable(what));
        QVERIFY2(w->subMenu->geometry() == categories, qPrintable(what));
        // Every marker of the mouse page stays inside it.
        for (QWidget *marker : w->mousePage->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (marker->isVisible() && qstrcmp(marker->metaObject()->className(), "MouseKey") == 0)
                QVERIFY2(w->mousePage->rect().contains(marker->geometry()), qPrintable(what));
        }
    }
    w.reset();
    MainWindow::setTrayAvailableForTesting(-1);
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("MOUSECFG_APP_CHILD"))
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestDesktopSession test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktopsession.moc"
