#pragma once

class MainWindow;

// Puts profiles into the main window: the chooser above the key, DPI and lighting pages, the
// Profiles submenu of the tray menu, the rules dialog, and fresh pages after every switch.
namespace ProfileUi {
void install(MainWindow *window);
}
