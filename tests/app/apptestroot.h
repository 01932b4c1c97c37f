#pragma once

#include <QString>

// A data tree for the program in a temporary directory: the shipped catalogue, factory
// defaults and language tables, copied from the build's bin/ directory.
class AppTestRoot
{
public:
    static bool populate(const QString &root);
    // Plugs a virtual mouse of catalogue family 0..6; returns its id.
    static int plugFamily(int family);
    // Writes an executable shell script that appends its arguments, one line per start, to
    // `marker`.
    static bool writeRecorder(const QString &path, const QString &marker);
};
