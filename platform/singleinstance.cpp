#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
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

SingleInstance::~SingleInstance() = default;

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

bool SingleInstance::isPrimary() const
{
    return m_server && m_server->isListening();
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
    if (!m_server) {
        // No access options: with them the socket file is made elsewhere and renamed into
        // place, which would replace a running primary's socket instead of failing.
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    }
    if (answer == Answer::None) {
        if (m_server->listen(m_name))
            return true;
        if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
            // Another instance may have started between our question and the listen.
            answer = askPrimary();
            if (answer == Answer::Primary)
                return false;
            if (answer == Answer::None) {
                // Nobody answers: the socket is a leftover of an instance that died.
                QLocalServer::removeServer(m_name);
                if (m_server->listen(m_name))
                    return true;
            }
        }
    }
    m_problem = answer == Answer::Foreign
                    ? QStringLiteral("%1 is held by another program").arg(m_name)
                    : QStringLiteral("cannot listen on %1: %2").arg(m_name, m_server->errorString());
    qWarning("SingleInstance: %s; running without the check", qPrintable(m_problem));
    return true; // better a second window than no program at all
}

SingleInstance::Answer SingleInstance::askPrimary()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectMs))
        return Answer::None;
#ifdef Q_OS_UNIX
    if (!peerIsThisUser(socket.socketDescriptor()))
        return Answer::Foreign;
#endif
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
