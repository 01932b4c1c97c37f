#pragma once

#include <QString>

#include "sim/vmousestate.h"

class QLineEdit;
class QListView;

// The virtual mouse a page test talks to, and the ways a test drives a page as a user would.
class PageTestSupport
{
public:
    int mouse = -1;

    // Start-up as the program does it: the shipped data under `root`, the macro store, then
    // profile 0 with the factory defaults.
    static bool startProfile(const QString &root);
    // Replugs the virtual mouse as catalogue family `family` and waits until the model has
    // taken it in.
    bool attach(int family);
    vmouse_state state() const;
    // The mouse holds this four-byte code for key `key`.
    bool keyOnWire(int key, int kind, int p1, int p2, int p3) const;
    // Waits until everything sent so far has reached the mouse: the command count stops moving.
    void settle() const;
    // Drops the chip protocol, stops the device link and unplugs every virtual mouse.
    static void shutdown();

    static void typeInto(QLineEdit *edit, const QString &text);
    static void clickRow(QListView *view, int row);
};
