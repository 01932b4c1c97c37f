// Renders the main window, each of its pages, every picker column, the title-bar menus and the
// dialogs to PNG files, offscreen, against the virtual mouse (linked in: a family-0 mouse is
// plugged when the program loads, unless VMOUSE_DEVICES says otherwise), for both screen
// classes. Everything is reached the way a click reaches it (page selection, the menus' click
// procedures, buttons, actions), never through a widget that a click has not shown yet.
//
// Usage: mousecfg-screenshots [--fixed] [output directory]
//   --fixed  renders the same pixels on every machine with the build's packages: only the
//            fonts of scripts/deps and the program's own are seen (a generated fontconfig file),
//            the locale, home and session settings of the caller are ignored. The look
//            references of tests/data/screens are made this way (scripts/screens-update).
// The program's data files come from a fresh temporary copy: nothing of the user's is read or
// written.
#include <QAbstractItemModel>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "app/mainwindow.h"
#include "app/updatedialog.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "model/languagetable.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/keys/mainmenuwindow.h"
#include "pages/keys/menulistview.h"
#include "pages/keys/mouseviewmodel.h"
#include "pages/keys/submenuwindow.h"
#include "platform/appfont.h"
#include "platform/darklook.h"
#include "platform/focusring.h"
#include "profiles/profilemanager.h"
#include "platform/activewindow.h"
#include "profiles/ui/profilerulesdialog.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QTableWidget>

namespace {

// The fonts the build installs (scripts/deps) and the program's own.
const char *const fixedFontDirs[] = {
    "/usr/share/fonts/truetype/roboto/hinted", // fonts-roboto-hinted
    "/usr/share/fonts/opentype/noto",          // fonts-noto-cjk
};

int g_mouse = -1;

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Events handled for `ms`, and on until the mouse has had nothing to do for 200 ms: what a
// page asked of the device is answered and shown before the picture is taken, however slow
// the machine.
void settle(int ms = 150)
{
    const auto activity = []() {
        vmouse_state state{};
        vmouse_get_state(g_mouse, &state);
        return qMakePair(state.commands, vmouse_trace(nullptr, 0));
    };
    auto last = activity();
    QElapsedTimer total;
    total.start();
    QElapsedTimer quiet;
    quiet.start();
    while ((total.elapsed() < ms || quiet.elapsed() < 200) && total.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const auto now = activity();
        if (now != last) {
            last = now;
            quiet.restart();
        }
    }
}

// A blinking caret or a focus ring would make the picture depend on timing.
void dropFocus(QWidget *top)
{
    if (QWidget *f = QApplication::focusWidget())
        f->clearFocus();
    if (QWidget *f = top->focusWidget())
        f->clearFocus();
}

class Shooter
{
public:
    Shooter(QString dir, QString prefix) : m_dir(std::move(dir)), m_prefix(std::move(prefix)) {}

    void shoot(QWidget *w, const QString &state, QRect area = QRect())
    {
        // The smallest size the program allows from 1200x800 on, whatever came before: a
        // window that grew for an earlier picker stays grown.
        if (auto *window = qobject_cast<MainWindow *>(w))
            window->resize(1200, 800);
        settle();
        dropFocus(w->window());
        pump(30);
        const QString path = m_dir + QLatin1Char('/') + m_prefix + QLatin1Char('-') + state
                             + QStringLiteral(".png");
        // Compression 9: the references are kept in the repository.
        const bool ok = (area.isNull() ? w->grab() : w->grab(area)).save(path, "PNG", 0);
        std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
        if (!ok)
            m_failed = true;
    }

    // Opens something that may run its own event loop (a menu, a modal dialog) and shoots the
    // widget `find` returns once it is up, then closes it.
    void shootTransient(const std::function<void()> &open, const std::function<QWidget *()> &find,
                        const QString &state)
    {
        bool done = false;
        QTimer::singleShot(0, [&]() {
            QElapsedTimer t;
            t.start();
            QWidget *w = nullptr;
            while (!(w = find()) && t.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (w) {
                shoot(w, state);
                w->close();
            } else {
                fail(state + QStringLiteral(": did not open"));
            }
            done = true;
        });
        open();
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        settle(50);
    }

    void fail(const QString &what)
    {
        std::printf("FAILED %s-%s\n", qPrintable(m_prefix), qPrintable(what));
        m_failed = true;
    }
    bool failed() const { return m_failed; }

private:
    QString m_dir;
    QString m_prefix;
    bool m_failed = false;
};

QWidget *visiblePopup()
{
    QWidget *w = QApplication::activePopupWidget();
    return w && w->isVisible() ? w : nullptr;
}

void checkDevice()
{
    Controller *controller = Controller::instance();
    QEventLoop loop;
    QObject::connect(controller, &Controller::deviceChecked, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    emit controller->check();
    loop.exec();
}

// Each window meets a freshly plugged mouse of family 0 as at start, so that it sees the same
// device change and the same mouse state as the first.
void replugMouse()
{
    vmouse_reset();
    checkDevice();
    g_mouse = vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
}

// The mouse is found and the window comes up, as at start.
void bringUp(MainWindow &window)
{
    checkDevice();
    if (!window.isVisible()) {
        if (MouseData::instance()->deviceType == 255)
            std::fprintf(stderr, "no mouse found; rendering without one\n");
        window.show();
    }
    // The size the program gives its window; on large screens the pages' minimum is larger.
    window.resize(1200, 800);
    settle();
}

void fillMacroStore(bool withMacro)
{
    MacroData *store = MacroData::instance();
    if (withMacro) {
        store->macroActions() = {QStringLiteral("1@#A_-1@#50_-2@#A_-0@#MS-L_-1@#120_-2@#MS-L_-0@#B_-1@#B_-0")};
        store->setMacroNames({QStringLiteral("Burst")});
    } else {
        store->macroActions().clear();
        store->setMacroNames({});
    }
}

// Every page, column, menu and dialog of one window.
void shootWindow(MainWindow &window, Shooter &s)
{
    window.onWindowSelect(0);
    s.shoot(&window, QStringLiteral("keys"));

    // A key chosen: the second-level menu opens, then each third-level picker in turn.
    window.mainMenu->clickedProc(window.mainMenu->model->index(1, 0));
    s.shoot(&window, QStringLiteral("keys-selected"));
    const char *const pickers[] = {"keyboard", "mouse", "macro", "run", "media", "shortcut", "dpi"};
    for (int category = 1; category <= 7; ++category) {
        window.subMenu->clickedProc(window.subMenu->model->index(category, 0));
        s.shoot(&window, QStringLiteral("picker-") + QLatin1String(pickers[category - 1]));
    }

    window.onWindowSelect(1);
    s.shoot(&window, QStringLiteral("dpi"));
    window.onWindowSelect(3);
    s.shoot(&window, QStringLiteral("macro"));
    window.onWindowSelect(4);
    s.shoot(&window, QStringLiteral("sensor"));
    window.onWindowSelect(2);
    s.shoot(&window, QStringLiteral("light"));
    // Another effect, chosen on its card.
    if (auto *effect = window.findChild<QAbstractButton *>(QStringLiteral("effectBtn2"))) {
        effect->click();
        s.shoot(&window, QStringLiteral("light-effect2"));
    } else {
        s.fail(QStringLiteral("light-effect2: no effect card"));
    }

    // The title bar: the profile chooser, its menu, the settings menu and what it opens.
    window.onWindowSelect(0);
    settle();
    s.shoot(&window, QStringLiteral("title"), QRect(0, 0, window.width(), window.titleFrame->height()));
    const auto button = [&window](const char *name) {
        return window.findChild<QAbstractButton *>(QLatin1String(name));
    };
    s.shootTransient([&]() { button("profileMenuBtn")->click(); }, visiblePopup,
                     QStringLiteral("menu-profile"));
    s.shootTransient([&]() { button("settingBtn")->click(); }, visiblePopup,
                     QStringLiteral("menu-settings"));
    // Combo box popups, whose frame comes from the look when they are first made.
    if (auto *chooser = window.findChild<QComboBox *>(QStringLiteral("profileComboBox")))
        s.shootTransient([chooser]() { chooser->showPopup(); }, visiblePopup, QStringLiteral("combo-profile"));
    s.shootTransient([&window]() { window.mainMenu->mainMenuComboBox->showPopup(); }, visiblePopup,
                     QStringLiteral("combo-keys"));
    if (auto *language = window.findChild<QMenu *>(QStringLiteral("languageMenu")))
        s.shootTransient([language]() { language->popup(QPoint(0, 0)); }, visiblePopup,
                         QStringLiteral("menu-language"));
    if (auto *tray = window.findChild<QMenu *>(QStringLiteral("trayMenu")))
        s.shootTransient([tray]() { tray->popup(QPoint(0, 0)); }, visiblePopup, QStringLiteral("menu-tray"));

    // The dialog before a firmware update, with the texts the settings menu gives it. Built
    // here: this system offers the entry only where the family's update program can run.
    MouseData *md = MouseData::instance();
    UpdateDialog update(&window);
    update.setTexts(md->languageText(109), md->languageText(110), md->languageText(111),
                    md->languageText(112), md->languageText(113), md->languageText(114));
    update.show();
    s.shoot(&update, QStringLiteral("dialog-update"));
    update.hide();

    // The rules dialog with two example rules (shown only: nothing is saved).
    struct ShownSource : ActiveWindow
    {
        bool available() const override { return true; }
        Kind kind() const override { return Kind::X11; }
    } source;
    ProfileRulesDialog rules(&source, &window);
    const QString profile = ProfileManager::instance()->activeName();
    const QSignalBlocker quiet(rules.ruleTable);   // edits would be saved as rules
    for (const QString &program : {QStringLiteral("/usr/bin/game"), QStringLiteral("editor")}) {
        const int row = rules.ruleTable->rowCount();
        rules.ruleTable->insertRow(row);
        rules.ruleTable->setItem(row, 0, new QTableWidgetItem(program));
        rules.ruleTable->setItem(row, 1, new QTableWidgetItem(profile));
    }
    rules.showState(false);
    rules.show();
    s.shoot(&rules, QStringLiteral("dialog-rules"));
}

// The macro page and the macro picker with no macro stored.
void shootEmptyMacros(MainWindow &window, Shooter &s)
{
    window.onWindowSelect(3);
    s.shoot(&window, QStringLiteral("macro-empty"));
    window.onWindowSelect(0);
    window.mainMenu->clickedProc(window.mainMenu->model->index(1, 0));
    window.subMenu->clickedProc(window.subMenu->model->index(3, 0));
    s.shoot(&window, QStringLiteral("picker-macro-empty"));
}

// The Chinese language table: its texts need the CJK fallback of the application font.
void shootChinese(MainWindow &window, Shooter &s)
{
    window.onWindowSelect(0);
    window.mainMenu->clickedProc(window.mainMenu->model->index(1, 0));
    window.subMenu->clickedProc(window.subMenu->model->index(1, 0));
    s.shoot(&window, QStringLiteral("zh-picker-keyboard"));
    window.onWindowSelect(2);
    s.shoot(&window, QStringLiteral("zh-light"));
    window.onWindowSelect(3);
    s.shoot(&window, QStringLiteral("zh-macro"));
    const auto *button = window.findChild<QAbstractButton *>(QStringLiteral("settingBtn"));
    s.shootTransient([button]() { const_cast<QAbstractButton *>(button)->click(); }, visiblePopup,
                     QStringLiteral("zh-menu-settings"));
}

bool copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    const QStringList files = QDir(from).entryList(QDir::Files);
    for (const QString &f : files) {
        if (!QFile::copy(from + QLatin1Char('/') + f, to + QLatin1Char('/') + f)
            || !QFile::setPermissions(to + QLatin1Char('/') + f, QFile::ReadOwner | QFile::WriteOwner))
            return false;
    }
    return !files.isEmpty();
}

// The fixed surroundings of --fixed; before the application object reads any of them.
bool fixSurroundings(const QString &scratch, const QString &programDir)
{
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                             "QT_FONT_DPI", "QT_ENABLE_HIGHDPI_SCALING", "QT_AUTO_SCREEN_SCALE_FACTOR",
                             "QT_STYLE_OVERRIDE", "QT_QPA_PLATFORMTHEME", "QT_QPA_FONTDIR",
                             "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "VMOUSE_DEVICES", "VMOUSE_CONTROL",
                             "VMOUSE_TRACE"})
        qunsetenv(name);
    qputenv("LANG", "C.UTF-8");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("HOME", QFile::encodeName(scratch + QStringLiteral("/home")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch + QStringLiteral("/home/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch + QStringLiteral("/home/.local/share")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(scratch + QStringLiteral("/home/.cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch + QStringLiteral("/run")));
    // Not the system's folders: an installed package's login entry would tick "Start at login".
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(scratch + QStringLiteral("/xdg")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(scratch + QStringLiteral("/xdg")));
    // No bus: an unset address makes libdbus try to start one.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QDir().mkpath(scratch + QStringLiteral("/home/.config"));
    QDir().mkpath(scratch + QStringLiteral("/run"));
    QFile::setPermissions(scratch + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QString conf = QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                                  "<fontconfig>\n");
    const auto escaped = [](const QString &path) { return path.toHtmlEscaped(); };
    for (const char *dir : fixedFontDirs) {
        if (!QFileInfo(QLatin1String(dir)).isDir()) {
            std::fprintf(stderr, "missing font directory %s (scripts/deps installs it)\n", dir);
            return false;
        }
        conf += QStringLiteral("  <dir>%1</dir>\n").arg(escaped(QLatin1String(dir)));
    }
    conf += QStringLiteral("  <dir>%1</dir>\n").arg(escaped(programDir + QStringLiteral("/fonts")));
    conf += QStringLiteral("  <cachedir>%1</cachedir>\n").arg(escaped(scratch + QStringLiteral("/fontcache")));
    conf += QStringLiteral("</fontconfig>\n");
    QFile file(scratch + QStringLiteral("/fonts.conf"));
    if (!file.open(QIODevice::WriteOnly) || file.write(conf.toUtf8()) < 0)
        return false;
    file.close();
    qputenv("FONTCONFIG_FILE", QFile::encodeName(file.fileName()));
    qunsetenv("FONTCONFIG_PATH");
    qunsetenv("FONTCONFIG_SYSROOT");
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    bool fixed = false;
    QString outArg = QStringLiteral(".");
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--fixed"))
            fixed = true;
        else
            outArg = arg;
    }

    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    const QString programDir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
    if (fixed && !fixSurroundings(scratch.path(), programDir))
        return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    const QString out = QDir(outArg).absolutePath();
    QDir().mkpath(out);
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    // A fresh copy of the shipped files: the profile, macros and choices start as on a new machine.
    const QString root = scratch.path() + QStringLiteral("/root");
    const QString bin = QCoreApplication::applicationDirPath();
    if (!copyFolder(bin + QStringLiteral("/data"), root + QStringLiteral("/data"))
        || !copyFolder(bin + QStringLiteral("/i18n"), root + QStringLiteral("/i18n"))
        || !QFile::link(bin + QStringLiteral("/fonts"), root + QStringLiteral("/fonts"))) {
        std::fprintf(stderr, "cannot copy the program's data files from %s\n", qPrintable(bin));
        return 1;
    }
    DataPaths::setRoot(root);

    // As the program starts.
    AppFont::install(app);
    DarkLook::install(app);
    FocusRing focusRing;
    MainWindow::setTrayAvailableForTesting(0);
    Controller::instance();
    MacroData::instance()->load();
    MouseData *md = MouseData::instance();
    ProfileManager::instance()->load();
    md->load(md->profileNumber);
    MouseDefaultData::instance()->load();
    md->fillMissingFromDefaults();

    bool failed = false;
    // The screen class is read by the pages as they are built: one window per class.
    for (int screenClass : {0, 4}) {
        md->screenClass = screenClass;
        Shooter s(out, QStringLiteral("c%1").arg(screenClass));
        fillMacroStore(true);
        {
            replugMouse();
            MainWindow window;
            bringUp(window);
            std::printf("class %d: window %dx%d\n", screenClass, window.width(), window.height());
            shootWindow(window, s);
        }
        fillMacroStore(false);
        {
            replugMouse();
            MainWindow window;
            bringUp(window);
            shootEmptyMacros(window, s);
        }
        failed |= s.failed();
    }
    {
        // Chosen in the settings menu, the table is read at the next start.
        LanguageTable::setChosen(QStringLiteral("ChineseSimplified"));
        md->loadLanguage();
        md->load(md->profileNumber);
        md->screenClass = 0;
        MouseDefaultData::instance()->load();
        md->fillMissingFromDefaults();
        fillMacroStore(true);
        Shooter s(out, QStringLiteral("c0"));
        replugMouse();
        MainWindow window;
        bringUp(window);
        shootChinese(window, s);
        failed |= s.failed();
    }
    Controller::shutdown();
    return failed ? 1 : 0;
}
