#pragma once

#include <QString>

// Where each file of the program lives. Every reader and writer asks here, so that the
// portable layout (files beside the executable) and the installed layout differ in one place.
//
// Portable: <exe dir>/data/apConfig.bin exists. Every path is relative to "." (the program
// makes the executable's directory its working directory).
// Installed: read-only files (catalogue, defaults, language tables, font, update programs) come
// from <exe dir>/../share/mousecfg; the profiles and the macro store go to the user's config
// directory ($XDG_CONFIG_HOME/mousecfg, by default ~/.config/mousecfg), created on first save.
class DataPaths
{
public:
    enum class Layout { Portable, Installed, Forced };

    // The catalogue in use: the user's own (userConfigFile()) when it exists, else the shipped
    // one. The user's file replaces the shipped one whole: a key it lacks takes the default of
    // a missing key and is not looked up in the shipped file.
    static QString configFile();
    static QString shippedConfigFile();     // <data>/data/apConfig.bin
    static QString userConfigFile();        // <config>/apConfig.bin (the shipped file when portable)
    static QString profileFile(int profile); // <config>/p<profile>.bin; -1 gives defaultsFile()
    static QString defaultsFile();          // <data>/data/pD.bin
    static QString macroStore();            // <config>/macro.bin
    static QString languageFile(const QString &name); // <data>/i18n/<name>.ini
    static QString languageDir();           // <data>/i18n
    static QString fontFile();              // <data>/fonts/roboto-hinted/Roboto-Regular.ttf
    static QString updateDir();             // <data>/update

    // The layout in use, decided on first use from the running executable's directory.
    static Layout layout();
    // Directory holding data/, i18n/, fonts/ and update/ ("." when portable).
    static QString dataDir();
    // Directory the profiles and the macro store are written to ("./data" when portable).
    static QString writableDir();
    // $XDG_CONFIG_HOME/mousecfg, or ~/.config/mousecfg (the platform's config location elsewhere).
    static QString userConfigDir();

    // Decides the layout as for a program whose executable is in executableDir. Called once
    // by the first lookup; tests call it to try a directory.
    static void useLayoutFor(const QString &executableDir);

    // Test seam: a directory that replaces "." for every path above, profiles and macro store
    // included; empty returns to the layout of the executable.
    static void setRoot(const QString &root);
    // The forced root, or dataDir() when none is set.
    static QString root();
};
