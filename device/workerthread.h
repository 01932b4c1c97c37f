#pragma once

#include <QString>
#include <QThread>

#include <atomic>

class Worker;

// Polls the mouse's event interface for its 4-byte reports. The path is handed over by value,
// so the thread never touches the transport's catalogue; it ends when the interface cannot
// be opened any more (the mouse left) or when interruption is requested.
class WorkerThread : public QThread
{
    Q_OBJECT
public:
    static constexpr int PollMs = 25;

    WorkerThread(const QString &eventPath, Worker *worker);
    ~WorkerThread() override;

    QString eventPath() const { return path; }
    // Starts polling; counted as running from here until the run loop ends.
    void launch();
    // Event threads launched and not yet ended, process-wide.
    static int runningCount() { return running.load(); }

signals:
    void eventReport(uchar b0, uchar b1, uchar b2, uchar b3);

protected:
    void run() override;

private:
    const QString path;
    static std::atomic<int> running;
};
