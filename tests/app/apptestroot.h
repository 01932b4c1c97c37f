#pragma once

#include <QString>

// Stand-ins the main window's tests put into the program's data tree.
class AppTestRoot
{
public:
    // Writes an executable shell script that appends its arguments, one line per start, to
    // `marker`.
    static bool writeRecorder(const QString &path, const QString &marker);
};
