#pragma once

#include "platform/activewindow.h"

#include <QByteArray>
#include <QJsonObject>
#include <QSocketNotifier>

#include <memory>
#include <vector>

struct wl_display;
struct wl_registry;
struct zwlr_foreign_toplevel_manager_v1;

// The active window on wlroots compositors (sway and others): the compositor's list of toplevel
// windows (foreign-toplevel protocol: application id and activated state, no process). Where
// sway's IPC socket is there, its focus events add the process, so executable rules match too;
// the toplevel list serves again if that socket goes away. Both are read on the GUI thread
// without blocking, on connections of their own.
class WlrootsActiveWindow : public ActiveWindow
{
    Q_OBJECT
public:
    // swaySocket: sway's IPC socket (SWAYSOCK), empty for none.
    explicit WlrootsActiveWindow(const QByteArray &swaySocket = qgetenv("SWAYSOCK"));
    ~WlrootsActiveWindow() override;

    bool available() const override { return m_manager || m_ipc >= 0; }
    Kind kind() const override { return Kind::Wlroots; }

    // The focused window in a sway tree (GET_TREE), empty when none is.
    static QJsonObject focusedIn(const QJsonObject &tree);

private:
    struct Toplevel;
    void connectWayland();
    void readWayland();
    void closeWayland();
    void settleToplevels();
    void connectSway(const QByteArray &path);
    void readSway();
    void closeSway();
    void swayMessage(quint32 type, const QByteArray &payload);
    void reportContainer(const QJsonObject &container);

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    zwlr_foreign_toplevel_manager_v1 *m_manager = nullptr;
    std::unique_ptr<QSocketNotifier> m_waylandNotifier;
    std::vector<std::unique_ptr<Toplevel>> m_toplevels;

    int m_ipc = -1;
    std::unique_ptr<QSocketNotifier> m_ipcNotifier;
    QByteArray m_ipcIn;
    qint64 m_reportedId = -1;
};
