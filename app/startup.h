#pragma once

#include <QRect>
#include <QString>

#include <functional>

class FontWarmUp;
class MainWindow;
class QApplication;
class QCoreApplication;

// The program from start to exit: settings loaded in order, the window, the event loop, and
// the save that follows every way out of it (normal exit, end of the desktop session, SIGINT,
// SIGTERM, SIGHUP).
class Startup
{
public:
    struct Options
    {
        // Test seams; the program leaves them at their defaults.
        QString dataRoot;          // DataPaths::setRoot before anything is read
        QString instanceKey;       // name of the single-instance socket
        bool useExecutableDirectory = true;
        std::function<void(MainWindow *)> windowReady;
        // --hidden: the window waits for the user even when a mouse is attached.
        bool startHidden = false;
        // Waited for before the first font is set.
        FontWarmUp *fonts = nullptr;
    };

    // 4 for a screen whose right minus left coordinate is 3600 or more, else 0.
    static int screenClassFor(const QRect &geometry);

    // Runs everything after the application object exists; returns the exit code. A second
    // instance hands over to the first and returns 0 without reading or writing any file.
    static int run(QApplication &app, const Options &options);

    // Profile 0, then the macro store. False when either could not be written.
    static bool saveAll();

    // Qt's own texts (standard buttons, the file dialog, edit menus) in the language of the
    // program's table, from the translations installed with Qt; replaces the ones installed
    // before. False when Qt has none for `locale`.
    static bool installQtTranslations(QCoreApplication &app, const QString &locale);
};
