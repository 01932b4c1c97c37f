#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running program per user. The first instance listens on a local socket; a later one
// tells it "raise" and should then exit, and the first one emits raiseRequested().
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `key` names the socket; empty gives the per-user default.
    explicit SingleInstance(const QString &key = QString(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is (or now becomes) the primary instance. False when another
    // instance answered; it has been asked to raise itself. A socket left behind by an
    // instance that died is removed and taken over.
    bool tryBecomePrimary();

    bool isPrimary() const;
    QString serverName() const { return m_name; }

    static QString defaultName();

signals:
    void raiseRequested();

private:
    bool askPrimary();
    void onNewConnection();

    QString m_name;
    QLocalServer *m_server = nullptr;
};
