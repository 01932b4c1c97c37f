#pragma once

#include <QString>

// Where each file of the program lives. Every reader and writer asks here, so that the
// portable layout (files beside the executable) and an installed layout differ in one place.
class DataPaths
{
public:
    static QString configFile();            // ./data/apConfig.bin
    static QString profileFile(int profile); // ./data/p<profile>.bin; -1 gives ./data/pD.bin
    static QString defaultsFile();          // ./data/pD.bin
    static QString macroStore();            // ./data/macro.bin
    static QString languageFile(const QString &name); // ./i18n/<name>.ini
    static QString fontFile();              // ./fonts/roboto-hinted/Roboto-Regular.ttf
    static QString updateDir();             // ./update

    // Test seam: a directory that replaces "." for every path above; empty restores the default.
    static void setRoot(const QString &root);
    static QString root();
};
