#pragma once

#include "platform/activewindow.h"

#include <QSocketNotifier>

#include <memory>

struct xcb_connection_t;

// The active window from the window manager (EWMH _NET_ACTIVE_WINDOW on the root window), its
// process from _NET_WM_PID, the program from /proc/<pid>/exe. Its own X connection, so it works
// whatever Qt platform the program runs on.
class X11ActiveWindow : public ActiveWindow
{
    Q_OBJECT
public:
    X11ActiveWindow();
    ~X11ActiveWindow() override;

    bool available() const override { return m_available; }
    Kind kind() const override { return Kind::X11; }

private:
    void drain();
    void readActive();
    quint32 property(quint32 window, quint32 atom, quint32 type) const;
    QString windowClass(quint32 window) const;

    xcb_connection_t *m_connection = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    quint32 m_root = 0;
    quint32 m_activeAtom = 0;
    quint32 m_pidAtom = 0;
    bool m_available = false;
};
