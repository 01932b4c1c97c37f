#include "app/startup.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QScreen>
#include <QSessionManager>

#include <cstdlib>
#include <memory>
#include <utility>

#include "app/mainwindow.h"
#include "app/hiddenwindowrelease.h"
#include "app/noticebar.h"
#include "app/windowbackground.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "model/languagetable.h"
#include "model/attachpolicy.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "platform/appfont.h"
#include "platform/darklook.h"
#include "platform/focusring.h"
#include "platform/fontwarmup.h"
#include "platform/singleinstance.h"
#include "platform/unixsignalwatcher.h"
#ifdef MOUSECFG_HAVE_DBUS
#include "profiles/devicebus.h"
#include "profiles/profilebus.h"
#endif
#include "profiles/profilemanager.h"
#include "resources/stylesheets.h"

int Startup::screenClassFor(const QRect &geometry)
{
    return geometry.right() - geometry.left() >= 3600 ? 4 : 0;
}

bool Startup::installQtTranslations(QCoreApplication &app, const QString &locale)
{
    static QTranslator *qtTexts = nullptr;
    if (qtTexts) {
        app.removeTranslator(qtTexts);
        delete qtTexts;
        qtTexts = nullptr;
    }
    if (locale.isEmpty())
        return false;
    auto *translator = new QTranslator;
    if (!translator->load(QLocale(locale), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    app.installTranslator(translator);
    qtTexts = translator;
    return true;
}

bool Startup::saveAll()
{
    // Only what changed: a quit without a change leaves the file (and its time) alone.
    const bool profile = MouseData::instance()->saveActive();
    const bool macros = MacroData::instance()->save();
    if (!profile)
        qWarning() << "could not write" << DataPaths::profileFile(MouseData::instance()->profileNumber);
    if (!macros)
        qWarning() << "could not write" << DataPaths::macroStore();
    return profile && macros;
}

namespace {
bool s_saveAtExit = false;

// A lost display connection ends the process from inside the platform plugin with exit():
// the event loop never returns, but exit handlers still run.
void saveOnProcessExit()
{
    if (!s_saveAtExit)
        return;
    s_saveAtExit = false;
    Startup::saveAll();
}

// A quit request closes every window first, and a window closed to the tray refuses: the
// quit would be lost. Whatever asks to quit (a signal, the session manager, the tray menu),
// the event loop ends.
class QuitGuard : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
            QCoreApplication::exit(0);
            return true;
        }
        return false;
    }
};

// Anything the user does may have changed a setting that a page wrote into the model itself;
// the savers compare before they write, so a needless look costs little.
class ChangeWatch : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonRelease:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::FocusOut:
            markAllChanged();
            break;
        default:
            break;
        }
        return false;
    }
    static void markAllChanged()
    {
        MouseData::instance()->markChanged();
        MacroData::instance()->markChanged();
    }
};

void tell(MainWindow *window, const QString &text)
{
    if (window->isVisible() && !window->isMinimized())
        window->noticeBar->showNotice(text);
    else if (window->trayIcon->isVisible())
        window->trayIcon->showMessage(window->windowTitle(), text, QSystemTrayIcon::Warning, 10000);
    else
        qWarning("%s", qPrintable(text));
}
} // namespace

int Startup::run(QApplication &app, const Options &options)
{
    if (options.useExecutableDirectory)
        QDir::setCurrent(QCoreApplication::applicationDirPath());
    if (!options.dataRoot.isEmpty())
        DataPaths::setRoot(options.dataRoot);

    // Before anything is read: a second instance would write its stale copy over the first's.
    SingleInstance single(options.instanceKey);
    if (!single.tryBecomePrimary())
        return 0;

    int screenClass = 0;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        screenClass = screenClassFor(screen->geometry());

    QCoreApplication::setApplicationName(QStringLiteral("Standard"));
    // The Wayland app id, and where notifications and docks find the icon: the desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("mousecfg"));
    // Hidden to the tray is still running; only an explicit quit ends the program.
    app.setQuitOnLastWindowClosed(false);

    // A mouse that attaches may hold anything: it gets the active profile, unless the user
    // keeps what it holds. Set before the first answer, which waits for the loop.
    Controller::instance()->setSendOnAttach(!AttachPolicy::keepMouseSettings());
    // Queued now, run by the worker while the settings load; the answer waits for the loop.
    emit Controller::instance()->check();

    // Read while the font configuration is read beside them: neither needs the other.
    MacroData::instance()->load();
    MouseData *md = MouseData::instance();
    ProfileManager::instance()->load();
    md->load(md->profileNumber);
    md->screenClass = screenClass;
    installQtTranslations(app, LanguageTable::localeOf(LanguageTable::activeFile()));
    MouseDefaultData::instance()->load();
    md->fillMissingFromDefaults();

    if (options.fonts)
        options.fonts->wait();
    AppFont::install(app);
    DarkLook::install(app);
    // Once, before any widget: each widget only names its look.
    StyleSheets::installApplicationSheet();
    FocusRing focusRing;

    auto window = std::make_unique<MainWindow>();
    auto *hiddenRelease = new HiddenWindowRelease(window.get()); // owned by the window
    QObject::connect(hiddenRelease, &HiddenWindowRelease::released, window->background, &WindowBackground::release);
    QObject::connect(&single, &SingleInstance::raiseRequested, window.get(), &MainWindow::raiseWindow);
    window->setWaitForUser(options.startHidden);
    // Started by the user the window shows at once, with or without a mouse (it then says why
    // nothing can be set); started for the login it waits until the user opens it.
    if (!options.startHidden)
        window->show();

    // Every change is on disk within about a second, whatever ends the program later.
    SaveScheduler *savers[] = {md->saver(), MacroData::instance()->saver()};
    for (SaveScheduler *saver : savers) {
        saver->setEnabled(true);
        QObject::connect(saver, &SaveScheduler::saveFailed, window.get(), [w = window.get()](const QString &file) {
            tell(w, MouseData::instance()->languageText(230).arg(file));
        });
    }
    ChangeWatch changeWatch;
    app.installEventFilter(&changeWatch);
    // Pages that change a setting and send it go through here even when no input preceded it.
    QObject::connect(Controller::instance(), &Controller::send, &changeWatch, &ChangeWatch::markAllChanged);
    // A command-line import writes the store beside us; merge it in (and show it) soon.
    QFileSystemWatcher storeWatch;
    const auto watchStore = [&storeWatch]() {
        if (QFile::exists(DataPaths::macroStore()) && !storeWatch.files().contains(DataPaths::macroStore()))
            storeWatch.addPath(DataPaths::macroStore());
    };
    watchStore();
    QObject::connect(&storeWatch, &QFileSystemWatcher::fileChanged, &changeWatch, [watchStore]() {
        watchStore(); // a file replaced by rename drops out of the watch
        MacroData::instance()->markChanged();
    });
    QObject::connect(MacroData::instance()->saver(), &SaveScheduler::saved, &changeWatch, watchStore);
    QObject::connect(Controller::instance(), &Controller::profileSentOnAttach, window.get(), [w = window.get()]() {
        w->showNotice(MouseData::instance()->languageText(234).arg(ProfileManager::instance()->activeName()));
    });
    QObject::connect(Controller::instance(), &Controller::attachedUnsent, window.get(),
                     [w = window.get(), told = false]() mutable {
        // Once a run: the user chose this.
        if (!std::exchange(told, true))
            w->showNotice(MouseData::instance()->languageText(235));
    });
    QObject::connect(md, &MouseData::valuesAdjusted, window.get(), [w = window.get()](const QString &file) {
        w->showNotice(MouseData::instance()->languageText(236).arg(QDir::toNativeSeparators(file)));
    });
    QObject::connect(Controller::instance(), &Controller::profileResent, window.get(), [w = window.get()]() {
        tell(w, MouseData::instance()->languageText(231));
    });
    if (!single.problem().isEmpty())
        tell(window.get(), md->languageText(232).arg(single.problem()));

    // Whatever ends the session, nothing the user changed is lost.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [](QSessionManager &) { saveAll(); }, Qt::DirectConnection);
    QuitGuard quitGuard;
    app.installEventFilter(&quitGuard);
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::signalReceived, &app,
                     [](int) { QCoreApplication::exit(0); });
    static bool exitHandler = false;
    if (!exitHandler)
        exitHandler = std::atexit(saveOnProcessExit) == 0;
    s_saveAtExit = true;

    ProfileManager::instance()->claim();
#ifdef MOUSECFG_HAVE_DBUS
    // The device object first: a client that sees the service name finds both.
    DeviceBus deviceBus;
    deviceBus.publish(QDBusConnection::sessionBus());
    ProfileBus profileBus;
    profileBus.publish(QDBusConnection::sessionBus());
#endif

    if (options.windowReady)
        options.windowReady(window.get());

    const int rc = app.exec();

    s_saveAtExit = false;
    app.removeEventFilter(&changeWatch);
    for (SaveScheduler *saver : savers)
        saver->setEnabled(false);
    saveAll();
    ProfileManager::instance()->release();
    window.reset();
    Controller::shutdown();
    return rc;
}
