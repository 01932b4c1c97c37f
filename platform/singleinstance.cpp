#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {
constexpr int kConnectMs = 500;
constexpr int kWriteMs = 1000;
constexpr qint64 kMaxMessage = 64;
const QByteArray kRaise = QByteArrayLiteral("raise\n");
} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
    , m_name(key.isEmpty() ? defaultName() : key)
{
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

bool SingleInstance::isPrimary() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::tryBecomePrimary()
{
    if (isPrimary())
        return true;
    // Ask first: on Windows a second server on the same pipe name would simply succeed.
    if (askPrimary())
        return false;
    if (!m_server) {
        // No access options: with them the socket file is made elsewhere and renamed into
        // place, which would replace a running primary's socket instead of failing.
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    }
    if (m_server->listen(m_name))
        return true;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        // Another instance may have started between our question and the listen.
        if (askPrimary())
            return false;
        // Nobody answers: the socket is a leftover of an instance that died.
        QLocalServer::removeServer(m_name);
        if (m_server->listen(m_name))
            return true;
    }
    qWarning("SingleInstance: cannot listen on %s: %s", qPrintable(m_name),
             qPrintable(m_server->errorString()));
    return true; // better a second window than no program at all
}

bool SingleInstance::askPrimary()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    socket.write(kRaise);
    const bool written = socket.waitForBytesWritten(kWriteMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kWriteMs);
    // Connected is enough to know a primary exists, even if the message got lost.
    if (!written)
        qWarning("SingleInstance: the running instance did not take the raise request");
    return true;
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
                if (buffer == kRaise)
                    emit raiseRequested();
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
