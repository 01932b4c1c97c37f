#include "app/startup.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSessionManager>

#include <memory>

#include "app/mainwindow.h"
#include "app/hiddenwindowrelease.h"
#include "device/controller.h"
#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "platform/appfont.h"
#include "platform/darklook.h"
#include "platform/focusring.h"
#include "platform/singleinstance.h"
#include "platform/unixsignalwatcher.h"

int Startup::screenClassFor(const QRect &geometry)
{
    return geometry.right() - geometry.left() >= 3600 ? 4 : 0;
}

bool Startup::saveAll()
{
    const bool profile = MouseData::instance()->save(0);
    const bool macros = MacroData::instance()->save();
    if (!profile)
        qWarning() << "could not write" << DataPaths::profileFile(0);
    if (!macros)
        qWarning() << "could not write" << DataPaths::macroStore();
    return profile && macros;
}

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

    AppFont::install(app);
    DarkLook::install(app);
    FocusRing focusRing;
    QCoreApplication::setApplicationName(QStringLiteral("Standard"));
    // The Wayland app id, and where notifications and docks find the icon: the desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("mousecfg"));
    // Hidden to the tray is still running; only an explicit quit ends the program.
    app.setQuitOnLastWindowClosed(false);

    // Queued now, run by the worker while the settings load; the answer waits for the loop.
    emit Controller::instance()->check();

    MacroData::instance()->load();
    MouseData *md = MouseData::instance();
    md->load(0);
    md->screenClass = screenClass;
    MouseDefaultData::instance()->load();
    md->fillMissingFromDefaults();

    auto window = std::make_unique<MainWindow>();
    new HiddenWindowRelease(window.get()); // owned by the window
    QObject::connect(&single, &SingleInstance::raiseRequested, window.get(), &MainWindow::raiseWindow);
    window->setWaitForUser(options.startHidden);
    if (!options.startHidden && !MainWindow::trayAvailable())
        window->show();

    // Whatever ends the session, nothing the user changed is lost.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [](QSessionManager &) { saveAll(); }, Qt::DirectConnection);
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::signalReceived, &app,
                     [](int) { QCoreApplication::quit(); });

    if (options.windowReady)
        options.windowReady(window.get());

    const int rc = app.exec();

    saveAll();
    window.reset();
    Controller::shutdown();
    return rc;
}
