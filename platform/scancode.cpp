#include "platform/scancode.h"

#include <QKeyEvent>

#ifndef Q_OS_WIN
namespace {
// evdev keycodes outside 1..88 (where evdev and set 1 agree) and their scan codes.
struct Pair {
    quint16 evdev;
    quint16 scan;
};
constexpr Pair kEvdevToScan[] = {
    {69, 0x145},  // Num Lock: E0-flagged in the Windows key messages; 0x45 alone is Pause
    {89, 0x73},   // RO
    {92, 0x79},   // Henkan
    {93, 0x70},   // Katakana/Hiragana
    {94, 0x7B},   // Muhenkan
    {96, 0x11C},  // keypad Enter
    {97, 0x11D},  // right Ctrl
    {98, 0x135},  // keypad /
    {99, 0x137},  // Print Screen / SysRq
    {100, 0x138}, // right Alt
    {102, 0x147}, // Home
    {103, 0x148}, // Up
    {104, 0x149}, // Page Up
    {105, 0x14B}, // Left
    {106, 0x14D}, // Right
    {107, 0x14F}, // End
    {108, 0x150}, // Down
    {109, 0x151}, // Page Down
    {110, 0x152}, // Insert
    {111, 0x153}, // Delete
    {113, 0x120}, // Mute
    {114, 0x12E}, // Volume Down
    {115, 0x130}, // Volume Up
    {117, 0x59},  // keypad =
    {119, 0x45},  // Pause
    {121, 0x7E},  // keypad ,
    {124, 0x7D},  // Yen
    {125, 0x15B}, // left Meta
    {126, 0x15C}, // right Meta
    {127, 0x15D}, // Menu
    {163, 0x119}, // Next track
    {164, 0x122}, // Play/Pause
    {165, 0x110}, // Previous track
    {166, 0x124}, // Stop
    {183, 0x64},  // F13 .. F23
    {184, 0x65},
    {185, 0x66},
    {186, 0x67},
    {187, 0x68},
    {188, 0x69},
    {189, 0x6A},
    {190, 0x6B},
    {191, 0x6C},
    {192, 0x6D},
    {193, 0x6E},
    {194, 0x76}, // F24
};
constexpr quint32 kXkbOffset = 8;

bool identical(quint32 evdev)
{
    return (evdev >= 1 && evdev <= 88 && evdev != 69 && evdev != 84 && evdev != 85);
}

int fromKeysym(quint32 keysym)
{
    switch (keysym) {
    case 0xffe3: return ScanCode::LeftCtrl;   // Control_L
    case 0xffe4: return ScanCode::RightCtrl;  // Control_R
    case 0xffe1: return ScanCode::LeftShift;  // Shift_L
    case 0xffe2: return ScanCode::RightShift; // Shift_R
    case 0xffe9: return ScanCode::LeftAlt;    // Alt_L
    case 0xffea: return ScanCode::RightAlt;   // Alt_R
    case 0xffeb: return ScanCode::LeftMeta;   // Super_L
    case 0xffec: return ScanCode::RightMeta;  // Super_R
    default: return 0;
    }
}
} // namespace
#endif

int ScanCode::fromKeyEvent(const QKeyEvent *event)
{
    if (!event)
        return 0;
    return fromNative(event->nativeScanCode(), event->nativeVirtualKey());
}

int ScanCode::fromNative(quint32 nativeScanCode, quint32 nativeVirtualKey)
{
#ifdef Q_OS_WIN
    Q_UNUSED(nativeVirtualKey);
    return int(nativeScanCode & 0x1FF);
#else
    if (nativeScanCode > kXkbOffset) {
        const quint32 evdev = nativeScanCode - kXkbOffset;
        if (identical(evdev))
            return int(evdev);
        for (const Pair &p : kEvdevToScan) {
            if (p.evdev == evdev)
                return p.scan;
        }
        return 0;
    }
    return fromKeysym(nativeVirtualKey);
#endif
}

quint32 ScanCode::toNative(int scanCode)
{
#ifdef Q_OS_WIN
    return quint32(scanCode) & 0x1FF;
#else
    if (scanCode <= 0)
        return 0;
    if (identical(quint32(scanCode)))
        return quint32(scanCode) + kXkbOffset;
    for (const Pair &p : kEvdevToScan) {
        if (p.scan == scanCode)
            return p.evdev + kXkbOffset;
    }
    return 0;
#endif
}
