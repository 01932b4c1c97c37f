#pragma once

#include <QString>
#include <QStringList>

struct vmouse_state;

// The program's device link against the virtual mouse, in a temporary data tree holding the
// shipped catalogue, factory file and language tables.
class FaultRig
{
public:
    // Copies the shipped files into root and makes it the data root. Call before the first
    // use of any model object.
    static bool populate(const QString &root);
    // Plugs a family-0 mouse (the catalogue's first entry); returns its id.
    static int plug();
    // Runs a device check through the controller and returns its result (-2 on time-out).
    static int check();
    // The mouse's firmware state; false for an unknown id.
    static bool state(int id, vmouse_state *out);
    // Whether the trace holds a feature report starting with these bytes ("00 03 00 00 01").
    static bool traceHasFeature(const QString &hexPrefix);
};
