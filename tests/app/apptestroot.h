#pragma once

#include <QString>

class QObject;

// Stand-ins the main window's tests put into the program's data tree.
class AppTestRoot
{
public:
    // Writes an executable shell script that appends its arguments, one line per start, to
    // `marker`.
    static bool writeRecorder(const QString &path, const QString &marker);
    // Prints "shown" on stdout each time `window` is shown, for a parent process to read.
    static void reportShows(QObject *window);
};
