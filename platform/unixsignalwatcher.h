#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the thread that owns the watcher, so
// that the program can leave its event loop and save as at a normal exit. A signal handler
// only writes the signal number into a pipe. One watcher can be active at a time; the
// previous handlers come back when it is destroyed. Inert on systems without these signals.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalWatcher(QObject *parent = nullptr);
    ~UnixSignalWatcher() override;

    static QList<int> quitSignals();

    // False when another watcher is active or the pipe could not be made.
    bool isActive() const { return m_active; }

signals:
    void signalReceived(int signalNumber);

private:
    void readPipe();

    bool m_active = false;
    QSocketNotifier *m_notifier = nullptr;
};
