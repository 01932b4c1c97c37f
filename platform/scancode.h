#pragma once

#include <QtGlobal>

class QKeyEvent;

// PC keyboard scan codes of key events, in the form the Windows key messages carry them:
// set 1, with 0x100 added for the E0-prefixed keys (right Ctrl 285, right Alt 312, the
// arrows, the keypad's Enter and "/"). The left and right modifiers are told apart by them.
// On X11 and Wayland the native scan code of an event is the xkb keycode (evdev + 8) and is
// translated; on Windows it already is the scan code.
class ScanCode
{
public:
    enum : int {
        LeftCtrl = 29,
        RightCtrl = 285,
        LeftShift = 42,
        RightShift = 54,
        LeftAlt = 56,
        RightAlt = 312,
        LeftMeta = 347,
        RightMeta = 348,
    };

    // 0 when the event carries no scan code that is known.
    static int fromKeyEvent(const QKeyEvent *event);
    // The same from the event's native fields (scan code, and the virtual key: an X keysym on
    // Linux, used for the modifiers when an event comes without scan code).
    static int fromNative(quint32 nativeScanCode, quint32 nativeVirtualKey = 0);
    // The native scan code a key event of this platform carries for a PC scan code; 0 when
    // there is none. Lets callers and tests build events that look real.
    static quint32 toNative(int scanCode);
};
