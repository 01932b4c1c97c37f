#pragma once

#include <QList>
#include <QString>

#include "device/ic553.h"

class Ic;

// Sends the whole profile to the mouse, as a freshly attached mouse needs it: keys (the
// profile's own layout or the factory one), DPI levels, lighting, report rate, and every macro
// bound to a button. Used by mousecfg-cli apply and by the program when a mouse comes back
// that missed changes.
class ProfileSender
{
public:
    struct Line
    {
        bool problem = false; // something the profile could not supply; not sent
        QString text;
    };

    // Needs the current chip protocol; returns what was sent, step by step.
    static QList<Line> sendAll(Ic *ic);

    // Every command of the model's settings, in the protocol's order: keys, the macros of buttons
    // bound to one, DPI, report rate, colours, lighting.
    static QList<Ic553::Command> fullCommands();

    // The 18 numbers the DPI page sends for the levels it shows.
    static QString dpiCommandText();
};
