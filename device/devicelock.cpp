#include "device/devicelock.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace {
constexpr int PollMs = 5;
}

QString DeviceLock::fileFor(const QString &commandPath)
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    // A path names the interface on this machine; its hash keeps the name short and plain.
    const QByteArray id = QCryptographicHash::hash(commandPath.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return dir + QStringLiteral("/mousecfg-mouse-") + QString::fromLatin1(id) + QStringLiteral(".lock");
}

DeviceLock::DeviceLock(const QString &commandPath) : m_commandPath(commandPath) {}

DeviceLock::~DeviceLock()
{
    if (m_fd >= 0) {
        if (m_held)
            ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}

bool DeviceLock::acquire(int timeoutMs, const std::function<bool()> &giveUp)
{
    if (m_held)
        return true;
    if (m_fd < 0) {
        const QByteArray path = QFile::encodeName(fileFor(m_commandPath));
        m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        // Nowhere to keep a lock: nobody else can keep one either.
        if (m_fd < 0)
            return true;
    }
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_held = true;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (deadline.hasExpired() || (giveUp && giveUp()))
            return false;
        // Only ever on the worker thread: the GUI thread never waits here.
        QThread::msleep(PollMs);
    }
}
