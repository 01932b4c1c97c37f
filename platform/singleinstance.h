#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QLocalServer;
class QSocketNotifier;

// One running program per user. The first instance listens on a local socket in the user's
// private runtime directory; a later one tells it "raise", waits for its "ok", and should then
// exit, and the first one emits raiseRequested(). Something else holding the name (no answer,
// a wrong answer, another user) does not stop the program: it starts, and problem() says why
// it runs without the check.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `key` names the socket in socketDirectory() (a path with "/" is taken as it is); empty
    // gives the per-user default.
    explicit SingleInstance(const QString &key = QString(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is (or now becomes) the primary instance. False when another
    // instance answered; it has been asked to raise itself. A socket left behind by an
    // instance that died is removed and taken over.
    bool tryBecomePrimary();

    bool isPrimary() const;
    QString serverName() const { return m_name; }
    // Empty, or why this instance runs without the single-instance check.
    QString problem() const { return m_problem; }

    static QString defaultName();
    // $XDG_RUNTIME_DIR when it is this user's and closed to others (mode 0700), else
    // /tmp/mousecfg-<uid> made so; never depends on TMPDIR. Empty when neither can be had.
    static QString socketDirectory();

signals:
    void raiseRequested();

private:
    enum class Answer { None, Primary, Foreign };
    Answer askPrimary();
    enum class Listen { Ok, InUse, Failed };
    Listen listen();               // m_listenError says why when not Ok
    void removeLeftover();         // the name of an instance that died
    void onNewConnection();

    QString m_name;
    QString m_problem;
    QString m_listenError;
#ifdef Q_OS_UNIX
    // A plain socket: the network library it would take otherwise costs every start and
    // megabytes for as long as the program waits in the tray.
    void onReadable(int fd);
    void closeConnection(int fd);

    struct Connection
    {
        std::unique_ptr<QSocketNotifier> notifier;
        QByteArray buffer;
    };
    int m_listenFd = -1;
    std::unique_ptr<QSocketNotifier> m_listenNotifier;
    std::map<int, Connection> m_connections;
#else
    QLocalServer *m_server = nullptr;
#endif
};
