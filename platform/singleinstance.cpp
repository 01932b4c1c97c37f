#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#else
#include <QLocalServer>
#include <QLocalSocket>
#endif

namespace {
constexpr int kConnectMs = 500;
constexpr int kWriteMs = 1000;
constexpr int kAnswerMs = 2000;
constexpr qint64 kMaxMessage = 64;
const QByteArray kRaise = QByteArrayLiteral("raise\n");
const QByteArray kOk = QByteArrayLiteral("ok\n");

#ifdef Q_OS_UNIX
// A directory of this user that nobody else may enter.
bool isPrivateDirectory(const QByteArray &path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()
           && (st.st_mode & 077) == 0;
}

// The other end of a connected local socket runs as this user.
bool peerIsThisUser(qintptr fd)
{
#ifdef SO_PEERCRED
    struct ucred cred {};
    socklen_t length = sizeof cred;
    if (::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0)
        return false;
    return cred.uid == ::getuid();
#else
    Q_UNUSED(fd);
    return true;
#endif
}
#endif
} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
{
    const QString name = key.isEmpty() ? defaultName() : key;
    const QString dir = name.contains(QLatin1Char('/')) ? QString() : socketDirectory();
    m_name = dir.isEmpty() ? name : dir + QLatin1Char('/') + name;
}


QString SingleInstance::defaultName()
{
    // The home directory tells the users apart on every system and needs no user lookup.
    const QByteArray hash = QCryptographicHash::hash(QDir::homePath().toUtf8(),
                                                     QCryptographicHash::Sha1)
                                .toHex()
                                .left(16);
    return QStringLiteral("mousecfg-") + QString::fromLatin1(hash);
}

QString SingleInstance::socketDirectory()
{
#ifdef Q_OS_UNIX
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && runtime.startsWith('/') && isPrivateDirectory(runtime))
        return QString::fromLocal8Bit(runtime);
    // Fixed, not QDir::tempPath(): two starts with different TMPDIR must meet at one name.
    const QByteArray fallback = "/tmp/mousecfg-" + QByteArray::number(uint(::getuid()));
    if (::mkdir(fallback.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    // Someone else's directory of that name is not ours to use.
    return isPrivateDirectory(fallback) ? QString::fromLocal8Bit(fallback) : QString();
#else
    return QString(); // Windows: pipe names are per session already
#endif
}

bool SingleInstance::tryBecomePrimary()
{
    if (isPrimary())
        return true;
#ifdef Q_OS_UNIX
    if (!m_name.contains(QLatin1Char('/'))) {
        m_problem = QStringLiteral("no private runtime directory for the single-instance socket");
        qWarning("SingleInstance: %s; running without the check", qPrintable(m_problem));
        return true;
    }
#endif
    // Ask first: on Windows a second server on the same pipe name would simply succeed.
    Answer answer = askPrimary();
    if (answer == Answer::Primary)
        return false;
    if (answer == Answer::None) {
        const Listen first = listen();
        if (first == Listen::Ok)
            return true;
        if (first == Listen::InUse) {
            // Another instance may have started between our question and the listen.
            answer = askPrimary();
            if (answer == Answer::Primary)
                return false;
            if (answer == Answer::None) {
                // Nobody answers: the socket is a leftover of an instance that died.
                removeLeftover();
                if (listen() == Listen::Ok)
                    return true;
            }
        }
    }
    m_problem = answer == Answer::Foreign
                    ? QStringLiteral("%1 is held by another program").arg(m_name)
                    : QStringLiteral("cannot listen on %1: %2").arg(m_name, m_listenError);
    qWarning("SingleInstance: %s; running without the check", qPrintable(m_problem));
    return true; // better a second window than no program at all
}

#ifdef Q_OS_UNIX
namespace {
bool toAddress(const QString &name, sockaddr_un *addr)
{
    const QByteArray path = QFile::encodeName(name);
    *addr = sockaddr_un{};
    addr->sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof addr->sun_path)
        return false;
    std::memcpy(addr->sun_path, path.constData(), size_t(path.size()));
    return true;
}

// Waits for `events` on fd until the deadline; false on time-out or error.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int ms = int(qMax<qint64>(0, deadline.remainingTime()));
        const int n = ::poll(&p, 1, ms);
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

struct Fd
{
    int fd;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};
} // namespace

SingleInstance::~SingleInstance()
{
    for (auto &entry : m_connections)
        ::close(entry.first);
    m_connections.clear();
    if (m_listenFd >= 0) {
        m_listenNotifier.reset();
        ::close(m_listenFd);
        ::unlink(QFile::encodeName(m_name).constData());
    }
}

bool SingleInstance::isPrimary() const
{
    return m_listenFd >= 0;
}

void SingleInstance::removeLeftover()
{
    ::unlink(QFile::encodeName(m_name).constData());
}

SingleInstance::Listen SingleInstance::listen()
{
    sockaddr_un addr;
    if (!toAddress(m_name, &addr)) {
        m_listenError = QStringLiteral("the name is too long for a socket");
        return Listen::Failed;
    }
    Fd sock{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    if (sock.fd < 0) {
        m_listenError = QString::fromLocal8Bit(std::strerror(errno));
        return Listen::Failed;
    }
    if (::bind(sock.fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        const int error = errno;
        m_listenError = QString::fromLocal8Bit(std::strerror(error));
        return error == EADDRINUSE ? Listen::InUse : Listen::Failed;
    }
    if (::listen(sock.fd, 16) != 0) {
        m_listenError = QString::fromLocal8Bit(std::strerror(errno));
        ::unlink(addr.sun_path);
        return Listen::Failed;
    }
    m_listenFd = std::exchange(sock.fd, -1);
    m_listenNotifier = std::make_unique<QSocketNotifier>(m_listenFd, QSocketNotifier::Read);
    connect(m_listenNotifier.get(), &QSocketNotifier::activated, this, &SingleInstance::onNewConnection);
    return Listen::Ok;
}

SingleInstance::Answer SingleInstance::askPrimary()
{
    sockaddr_un addr;
    if (!toAddress(m_name, &addr))
        return Answer::None;
    Fd sock{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    if (sock.fd < 0)
        return Answer::None;
    const QDeadlineTimer connecting(kConnectMs);
    for (;;) {
        if (::connect(sock.fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0)
            break;
        // A full backlog refuses a non-blocking connect for now; retry until the deadline.
        if ((errno != EAGAIN && errno != EINTR) || connecting.hasExpired())
            return Answer::None;
        ::poll(nullptr, 0, 10);
    }
    if (!peerIsThisUser(sock.fd))
        return Answer::Foreign;

    const QDeadlineTimer writing(kWriteMs);
    qsizetype sent = 0;
    while (sent < kRaise.size()) {
        const ssize_t n = ::send(sock.fd, kRaise.constData() + sent, size_t(kRaise.size() - sent), MSG_NOSIGNAL);
        if (n > 0)
            sent += n;
        else if ((n < 0 && errno != EAGAIN && errno != EINTR) || !waitFor(sock.fd, POLLOUT, writing))
            return Answer::Foreign;
    }
    // Only this program answers "ok": a socket that stays silent is not ours to defer to.
    QByteArray reply;
    const QDeadlineTimer answering(kAnswerMs);
    while (!reply.contains('\n') && reply.size() < kMaxMessage) {
        char chunk[kMaxMessage];
        const ssize_t n = ::recv(sock.fd, chunk, size_t(kMaxMessage - reply.size()), 0);
        if (n > 0)
            reply.append(chunk, n);
        else if (n == 0 || (errno != EAGAIN && errno != EINTR) || !waitFor(sock.fd, POLLIN, answering))
            break;
    }
    return reply == kOk ? Answer::Primary : Answer::Foreign;
}

void SingleInstance::onNewConnection()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: no more waiting
        }
        Connection &c = m_connections[fd];
        c.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(c.notifier.get(), &QSocketNotifier::activated, this, [this, fd] { onReadable(fd); });
    }
}

void SingleInstance::onReadable(int fd)
{
    const auto it = m_connections.find(fd);
    if (it == m_connections.end())
        return;
    QByteArray &buffer = it->second.buffer;
    char chunk[kMaxMessage];
    const ssize_t n = ::recv(fd, chunk, size_t(kMaxMessage - buffer.size()), 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n > 0)
        buffer.append(chunk, n);
    // Decided at a line end, at the size limit, or when the other end is gone.
    if (n > 0 && !buffer.contains('\n') && buffer.size() < kMaxMessage)
        return;
    const bool raise = buffer == kRaise;
    if (raise)
        ::send(fd, kOk.constData(), size_t(kOk.size()), MSG_NOSIGNAL);
    closeConnection(fd);
    if (raise)
        emit raiseRequested();
}

void SingleInstance::closeConnection(int fd)
{
    const auto it = m_connections.find(fd);
    if (it == m_connections.end())
        return;
    // Called from the notifier's own signal: it goes once that has returned.
    QSocketNotifier *notifier = it->second.notifier.release();
    m_connections.erase(it);
    notifier->setEnabled(false);
    notifier->deleteLater();
    ::close(fd);
}

#else

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isPrimary() const
{
    return m_server && m_server->isListening();
}

SingleInstance::Listen SingleInstance::listen()
{
    if (!m_server) {
        // No access options: with them the socket file is made elsewhere and renamed into
        // place, which would replace a running primary's socket instead of failing.
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    }
    if (m_server->listen(m_name))
        return Listen::Ok;
    m_listenError = m_server->errorString();
    return m_server->serverError() == QAbstractSocket::AddressInUseError ? Listen::InUse : Listen::Failed;
}

void SingleInstance::removeLeftover()
{
    QLocalServer::removeServer(m_name);
}

SingleInstance::Answer SingleInstance::askPrimary()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectMs))
        return Answer::None;
    socket.write(kRaise);
    socket.waitForBytesWritten(kWriteMs);
    // Only this program answers "ok": a socket that stays silent is not ours to defer to.
    QByteArray reply;
    QDeadlineTimer deadline(kAnswerMs);
    while (!reply.contains('\n') && reply.size() < kMaxMessage && !deadline.hasExpired()
           && (socket.bytesAvailable() > 0 || socket.waitForReadyRead(int(deadline.remainingTime()))))
        reply += socket.read(kMaxMessage - reply.size());
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kWriteMs);
    return reply == kOk ? Answer::Primary : Answer::Foreign;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket]() {
            QByteArray buffer = socket->property("buffer").toByteArray();
            buffer += socket->read(kMaxMessage - buffer.size());
            if (buffer.contains('\n') || buffer.size() >= kMaxMessage
                || socket->state() != QLocalSocket::ConnectedState) {
                socket->setProperty("buffer", QByteArray());
                if (buffer == kRaise) {
                    socket->write(kOk);
                    socket->flush();
                    emit raiseRequested();
                }
                socket->disconnectFromServer();
                return;
            }
            socket->setProperty("buffer", buffer);
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        if (socket->bytesAvailable() > 0)
            handle();
    }
}

#endif
