#pragma once

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

class Worker;

// Waits on the mouse's event interface for its 4-byte reports. The path is handed over by
// value, so the thread never touches the transport's catalogue; it ends when the interface
// cannot be opened any more (the mouse left) or after stop().
class WorkerThread : public QThread
{
    Q_OBJECT
public:
    // A report ends a read at once; the time-out only bounds how long stop() waits, so it is
    // long: an idle mouse costs one wake-up per period.
    static constexpr int ReadWaitMs = 1000;
    // Pause after a failed read before the interface is opened again (stop() cuts it short).
    static constexpr int RetryMs = 100;

    WorkerThread(const QString &eventPath, Worker *worker);
    ~WorkerThread() override;

    QString eventPath() const { return path; }
    // Starts waiting for reports; counted as running from here until the run loop ends.
    void launch();
    // Asks the thread to end after its current read; returns at once (wait() to join).
    void stop();
    // Event threads launched and not yet ended, process-wide.
    static int runningCount() { return running.load(); }

signals:
    void eventReport(uchar b0, uchar b1, uchar b2, uchar b3);

protected:
    void run() override;

private:
    bool stopRequested() const;

    const QString path;
    std::atomic<bool> stopping{false};
    QMutex stopMutex;
    QWaitCondition stopped;
    static std::atomic<int> running;
};
