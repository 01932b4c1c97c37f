#pragma once

#include <QString>

// Whether a firmware-update program can be started on this system. The update programs are
// Windows executables; elsewhere they cannot run, and the menu says so instead of failing.
class UpdateProgram
{
public:
    enum class Verdict {
        Runnable,
        WindowsProgram, // a Windows executable (by its content, or by its .exe name when absent)
        Unusable,       // missing, or present but not a program this system can start
    };

    static Verdict check(const QString &path);
};
