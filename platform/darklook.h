#pragma once

class QApplication;

// The dark look for what the pages' style sheets do not reach: message boxes, input and file
// dialogs, tooltips and the context menus of edit fields. They follow the application palette
// (and the style's own drawing), so the palette is made dark with the orange accent.
class DarkLook
{
public:
    static void install(QApplication &app);
};
