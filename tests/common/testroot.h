#pragma once

#include <QString>

// A data tree for the program in a temporary directory, and the virtual mouse plugged as a
// catalogue family.
class TestRoot
{
public:
    // Copies the shipped catalogue, factory defaults and language tables from the build's bin/
    // directory into `root`, writable, replacing what is there.
    static bool populate(const QString &root);
    // populate(), then every data file path points into `root`.
    static bool install(const QString &root);
    // Language table, profile 0 at screen class 0, and the factory defaults filling its gaps.
    static void loadProfile();
    // Plugs a virtual mouse of catalogue family 0..6; returns its id.
    static int plugFamily(int family);
};
