#pragma once

#include <QVariantList>

class MouseData;

// What the mouse and the pages accept for each value a profile file can hold. Values read from a
// file pass through here once, so that the pages show what is sent.
class ProfileRange
{
public:
    // The nearest DPI the attached family takes: within its limits, on its step.
    static int dpi(int value);

    // Brings the model's DPI lists, level count, lighting and colours into range; a value that is
    // not a number takes the factory one. True when anything changed.
    static bool bringIntoRange(MouseData *model);
    // The DPI lists only (their limits come with the attached family).
    static bool bringDpiIntoRange(MouseData *model);
};
