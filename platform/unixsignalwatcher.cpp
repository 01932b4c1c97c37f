#include "platform/unixsignalwatcher.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int g_pipe[2] = {-1, -1};
bool g_taken = false;

struct Saved {
    int signalNumber;
    struct sigaction action;
};
QList<Saved> g_saved;

extern "C" void onUnixSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // The pipe is non-blocking: with the pipe full the signal is dropped, never waited for.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

bool makePipe()
{
    if (::pipe(g_pipe) != 0)
        return false;
    for (int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}
} // namespace
#endif

QList<int> UnixSignalWatcher::quitSignals()
{
#ifdef Q_OS_UNIX
    return {SIGINT, SIGTERM, SIGHUP};
#else
    return {};
#endif
}

UnixSignalWatcher::UnixSignalWatcher(QObject *parent)
    : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (g_taken) {
        qWarning("UnixSignalWatcher: another watcher is active");
        return;
    }
    if (!makePipe()) {
        qWarning("UnixSignalWatcher: cannot create the signal pipe: %s", strerror(errno));
        return;
    }
    g_taken = true;
    m_active = true;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::readPipe);

    struct sigaction action {};
    action.sa_handler = onUnixSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : quitSignals()) {
        Saved saved{sig, {}};
        if (::sigaction(sig, &action, &saved.action) == 0)
            g_saved.append(saved);
    }
#endif
}

UnixSignalWatcher::~UnixSignalWatcher()
{
#ifdef Q_OS_UNIX
    if (!m_active)
        return;
    for (const Saved &saved : std::as_const(g_saved))
        ::sigaction(saved.signalNumber, &saved.action, nullptr);
    g_saved.clear();
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
    g_taken = false;
#endif
}

void UnixSignalWatcher::readPipe()
{
#ifdef Q_OS_UNIX
    unsigned char buffer[32];
    for (;;) {
        const ssize_t n = ::read(g_pipe[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            emit signalReceived(buffer[i]);
    }
#endif
}
