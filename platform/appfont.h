#pragma once

#include <QFont>
#include <QStringList>

class QApplication;

// The application font: the Roboto file beside the program is registered, and the default
// font asks for the family "微软雅黑". Where that family is missing (everywhere but Windows)
// the font names fallbacks, so that the Chinese language table still renders.
class AppFont
{
public:
    // Registers DataPaths::fontFile() and sets the application font. Returns the font
    // database id of the registered file, or -1 when it could not be loaded (the program
    // then runs with the fallbacks alone).
    static int install(QApplication &app);

    static QFont font();
    static QStringList families();
};
