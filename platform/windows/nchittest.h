#pragma once

#include <QtGlobal>

class QWidget;

// The non-client hit test of the frameless main window, for its nativeEvent(): answers
// WM_NCHITTEST with the caption, an edge or a corner, and leaves the message alone where a
// child widget lies under the cursor or the window is maximised.
class NcHitTest
{
public:
    // True (with *result set) when the message was a hit test that is answered.
    static bool handle(QWidget *window, void *message, qintptr *result);
};
