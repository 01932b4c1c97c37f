#include "platform/linux/x11activewindow.h"

#include <QTimer>

#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>

namespace {
template<typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T>
Reply<T> own(T *p)
{
    return Reply<T>(p, &std::free);
}

quint32 atom(xcb_connection_t *c, const char *name)
{
    auto r = own(xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(qstrlen(name)), name), nullptr));
    return r ? r->atom : 0;
}
} // namespace

X11ActiveWindow::X11ActiveWindow()
{
    // Under Wayland an X server only knows its own clients' windows: its answer would be wrong.
    if (qgetenv("XDG_SESSION_TYPE") == "wayland" || qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem)
        return;
    m_root = it.data->root;
    m_activeAtom = atom(m_connection, "_NET_ACTIVE_WINDOW");
    m_pidAtom = atom(m_connection, "_NET_WM_PID");
    const quint32 supportedAtom = atom(m_connection, "_NET_SUPPORTED");

    // Only a window manager that announces _NET_ACTIVE_WINDOW keeps it current.
    auto supported = own(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, m_root, supportedAtom, XCB_ATOM_ATOM, 0, 4096), nullptr));
    if (supported && supported->format == 32) {
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(supported.get()));
        const int n = xcb_get_property_value_length(supported.get()) / 4;
        for (int i = 0; i < n; ++i)
            m_available = m_available || atoms[i] == m_activeAtom;
    }

    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &X11ActiveWindow::drain);
    QTimer::singleShot(0, this, [this] {
        readActive();
        drain();
    });
}

X11ActiveWindow::~X11ActiveWindow()
{
    m_notifier.reset();
    if (m_connection)
        xcb_disconnect(m_connection);
}

quint32 X11ActiveWindow::property(quint32 window, quint32 name, quint32 type) const
{
    auto r = own(xcb_get_property_reply(m_connection, xcb_get_property(m_connection, 0, window, name, type, 0, 1),
                                        nullptr));
    if (!r || r->format != 32 || xcb_get_property_value_length(r.get()) < 4)
        return 0;
    return *static_cast<const quint32 *>(xcb_get_property_value(r.get()));
}

void X11ActiveWindow::drain()
{
    // readActive() waits for replies, and xcb queues whatever events come with them without the
    // socket showing readable again: look at the queue once more after every read, or a change
    // made meanwhile is never seen.
    for (;;) {
        bool changed = false;
        while (auto e = own(xcb_poll_for_event(m_connection))) {
            if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY
                && reinterpret_cast<const xcb_property_notify_event_t *>(e.get())->atom == m_activeAtom)
                changed = true;
        }
        if (xcb_connection_has_error(m_connection)) {
            m_notifier->setEnabled(false);
            return;
        }
        if (!changed)
            return;
        readActive();
    }
}

void X11ActiveWindow::readActive()
{
    QString program;
    QString appId;
    if (const quint32 window = property(m_root, m_activeAtom, XCB_ATOM_WINDOW)) {
        if (const quint32 pid = property(window, m_pidAtom, XCB_ATOM_CARDINAL))
            program = executableOf(pid);
        appId = windowClass(window);
    }
    report(program, appId);
}

QString X11ActiveWindow::windowClass(quint32 window) const
{
    // WM_CLASS is "instance\0class\0"; the class names the application, as a desktop file does.
    auto r = own(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr));
    if (!r || r->format != 8)
        return QString();
    const QByteArray value(static_cast<const char *>(xcb_get_property_value(r.get())),
                           xcb_get_property_value_length(r.get()));
    const QList<QByteArray> parts = value.split('\0');
    return parts.size() >= 2 ? QString::fromUtf8(parts.at(1)) : QString();
}
