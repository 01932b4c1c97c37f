#include "platform/linux/wlrootsactivewindow.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <wayland-client.h>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

struct WlrootsActiveWindow::Toplevel
{
    WlrootsActiveWindow *owner = nullptr;
    zwlr_foreign_toplevel_handle_v1 *handle = nullptr;
    QString appId;
    bool activated = false;
    // The compositor sends changes in parts and applies them together at "done".
    QString pendingAppId;
    bool pendingActivated = false;
};

namespace {
const QByteArray swayMagic("i3-ipc");
constexpr int swayHeader = 14;
constexpr quint32 swaySubscribe = 2;
constexpr quint32 swayGetTree = 4;
constexpr quint32 swayWindowEvent = 0x80000003u;
// A tree of thousands of windows stays far below this; more is a broken or hostile peer.
constexpr quint32 swayMaxPayload = 64u << 20;
} // namespace

WlrootsActiveWindow::WlrootsActiveWindow(const QByteArray &swaySocket)
{
    connectWayland();
    if (!swaySocket.isEmpty())
        connectSway(swaySocket);
}

WlrootsActiveWindow::~WlrootsActiveWindow()
{
    closeSway();
    closeWayland();
}

void WlrootsActiveWindow::connectWayland()
{
    m_display = wl_display_connect(nullptr);
    if (!m_display)
        return;
    static const zwlr_foreign_toplevel_handle_v1_listener toplevelListener = {
        [](void *data, zwlr_foreign_toplevel_handle_v1 *, const char *) {
            Q_UNUSED(data); // title: rules do not look at it
        },
        [](void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId) {
            static_cast<Toplevel *>(data)->pendingAppId = QString::fromUtf8(appId);
        },
        [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {},
        [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {},
        [](void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *state) {
            bool activated = false;
            const auto *s = static_cast<const uint32_t *>(state->data);
            for (size_t i = 0; i < state->size / sizeof(uint32_t); ++i)
                activated = activated || s[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
            static_cast<Toplevel *>(data)->pendingActivated = activated;
        },
        [](void *data, zwlr_foreign_toplevel_handle_v1 *) {
            auto *t = static_cast<Toplevel *>(data);
            t->appId = t->pendingAppId;
            t->activated = t->pendingActivated;
        },
        [](void *data, zwlr_foreign_toplevel_handle_v1 *handle) {
            auto *t = static_cast<Toplevel *>(data);
            auto &list = t->owner->m_toplevels;
            for (auto it = list.begin(); it != list.end(); ++it) {
                if (it->get() == t) {
                    list.erase(it);
                    break;
                }
            }
            zwlr_foreign_toplevel_handle_v1_destroy(handle);
        },
        [](void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) {},
    };
    static const zwlr_foreign_toplevel_manager_v1_listener managerListener = {
        [](void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle) {
            auto *self = static_cast<WlrootsActiveWindow *>(data);
            auto t = std::make_unique<Toplevel>();
            t->owner = self;
            t->handle = handle;
            zwlr_foreign_toplevel_handle_v1_add_listener(handle, &toplevelListener, t.get());
            self->m_toplevels.push_back(std::move(t));
        },
        [](void *data, zwlr_foreign_toplevel_manager_v1 *manager) {
            auto *self = static_cast<WlrootsActiveWindow *>(data);
            zwlr_foreign_toplevel_manager_v1_destroy(manager);
            if (self->m_manager == manager)
                self->m_manager = nullptr;
        },
    };
    static const wl_registry_listener registryListener = {
        [](void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version) {
            auto *self = static_cast<WlrootsActiveWindow *>(data);
            if (self->m_manager || std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0)
                return;
            self->m_manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(
                wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface, qMin(version, 3u)));
            zwlr_foreign_toplevel_manager_v1_add_listener(self->m_manager, &managerListener, self);
        },
        [](void *, wl_registry *, uint32_t) {},
    };
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    // Whether the compositor offers the list decides which source the program uses: one answer
    // to wait for at start, as from an X server.
    if (wl_display_roundtrip(m_display) < 0 || !m_manager) {
        closeWayland();
        return;
    }
    wl_display_flush(m_display);
    m_waylandNotifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    connect(m_waylandNotifier.get(), &QSocketNotifier::activated, this, &WlrootsActiveWindow::readWayland);
    QTimer::singleShot(0, this, &WlrootsActiveWindow::readWayland);
}

void WlrootsActiveWindow::closeWayland()
{
    m_waylandNotifier.reset();
    for (const auto &t : m_toplevels)
        zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
    m_toplevels.clear();
    if (m_manager)
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    m_manager = nullptr;
    if (m_registry)
        wl_registry_destroy(m_registry);
    m_registry = nullptr;
    if (m_display)
        wl_display_disconnect(m_display);
    m_display = nullptr;
}

void WlrootsActiveWindow::readWayland()
{
    if (!m_display)
        return;
    // The socket is readable, so reading does not wait; events another call queued are
    // dispatched first.
    bool ok = true;
    while (ok && wl_display_prepare_read(m_display) != 0)
        ok = wl_display_dispatch_pending(m_display) >= 0;
    ok = ok && wl_display_read_events(m_display) >= 0 && wl_display_dispatch_pending(m_display) >= 0;
    if (!ok || wl_display_get_error(m_display)) {
        // The compositor went away: nothing more comes from it.
        closeWayland();
        return;
    }
    wl_display_flush(m_display);
    settleToplevels();
}

void WlrootsActiveWindow::settleToplevels()
{
    // Sway's word carries the process as well; the list is the fallback.
    if (m_ipc >= 0 || !m_manager)
        return;
    // Judged once per batch: the window left and the window entered come in either order.
    for (const auto &t : m_toplevels) {
        if (t->activated) {
            report(QString(), t->appId);
            return;
        }
    }
    report(QString(), QString());
}

void WlrootsActiveWindow::connectSway(const QByteArray &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= int(sizeof(address.sun_path)))
        return;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    m_ipc = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_ipc < 0)
        return;
    if (::connect(m_ipc, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        closeSway();
        return;
    }
    m_ipcNotifier = std::make_unique<QSocketNotifier>(m_ipc, QSocketNotifier::Read);
    connect(m_ipcNotifier.get(), &QSocketNotifier::activated, this, &WlrootsActiveWindow::readSway);
    swayMessage(swaySubscribe, QByteArrayLiteral("[\"window\"]"));
    swayMessage(swayGetTree, QByteArray());
}

void WlrootsActiveWindow::swayMessage(quint32 type, const QByteArray &payload)
{
    if (m_ipc < 0)
        return;
    QByteArray message = swayMagic;
    const quint32 length = quint32(payload.size());
    message.append(reinterpret_cast<const char *>(&length), 4);
    message.append(reinterpret_cast<const char *>(&type), 4);
    message.append(payload);
    // A few bytes into an empty socket buffer: written whole, or the socket is of no use.
    if (::send(m_ipc, message.constData(), size_t(message.size()), MSG_NOSIGNAL) != message.size())
        closeSway();
}

void WlrootsActiveWindow::closeSway()
{
    const bool wasOpen = m_ipc >= 0;
    m_ipcNotifier.reset();
    if (m_ipc >= 0)
        ::close(m_ipc);
    m_ipc = -1;
    m_ipcIn.clear();
    // The toplevel list takes over with what it knows now.
    if (wasOpen)
        QTimer::singleShot(0, this, &WlrootsActiveWindow::settleToplevels);
}

void WlrootsActiveWindow::readSway()
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(m_ipc, buffer, sizeof(buffer));
        if (n > 0) {
            m_ipcIn.append(buffer, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        closeSway();
        return;
    }
    while (m_ipcIn.size() >= swayHeader) {
        quint32 length = 0;
        quint32 type = 0;
        std::memcpy(&length, m_ipcIn.constData() + 6, 4);
        std::memcpy(&type, m_ipcIn.constData() + 10, 4);
        if (!m_ipcIn.startsWith(swayMagic) || length > swayMaxPayload) {
            closeSway();
            return;
        }
        if (quint32(m_ipcIn.size()) < swayHeader + length)
            return;
        const QJsonDocument doc = QJsonDocument::fromJson(m_ipcIn.mid(swayHeader, int(length)));
        m_ipcIn.remove(0, swayHeader + int(length));
        const QJsonObject o = doc.object();
        if (type == swaySubscribe && !o.value(QLatin1String("success")).toBool()) {
            closeSway();
            return;
        }
        if (type == swayGetTree) {
            const QJsonObject focused = focusedIn(o);
            if (!focused.isEmpty())
                reportContainer(focused);
        } else if (type == swayWindowEvent) {
            const QString change = o.value(QLatin1String("change")).toString();
            const QJsonObject container = o.value(QLatin1String("container")).toObject();
            if (change == QLatin1String("focus")) {
                reportContainer(container);
            } else if (change == QLatin1String("close")
                       && container.value(QLatin1String("id")).toInteger(-2) == m_reportedId) {
                // Until another window takes the focus nothing is in front; the same program
                // started again then counts as a change.
                m_reportedId = -1;
                report(QString(), QString());
            }
        }
    }
}

void WlrootsActiveWindow::reportContainer(const QJsonObject &container)
{
    m_reportedId = container.value(QLatin1String("id")).toInteger(-1);
    QString appId = container.value(QLatin1String("app_id")).toString();
    // An X11 window under Xwayland has no app_id: its class says the same.
    if (appId.isEmpty())
        appId = container.value(QLatin1String("window_properties")).toObject().value(QLatin1String("class")).toString();
    report(executableOf(container.value(QLatin1String("pid")).toInteger()), appId);
}

QJsonObject WlrootsActiveWindow::focusedIn(const QJsonObject &tree)
{
    // Workspaces and outputs are focused too when empty; only a window has a process.
    if (tree.value(QLatin1String("focused")).toBool() && tree.contains(QLatin1String("pid")))
        return tree;
    for (const char *children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue &child : tree.value(QLatin1String(children)).toArray()) {
            const QJsonObject found = focusedIn(child.toObject());
            if (!found.isEmpty())
                return found;
        }
    }
    return QJsonObject();
}
