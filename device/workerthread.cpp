#include "device/workerthread.h"

#include "device/hidlock.h"
#include "device/worker.h"

#include <hidapi.h>

std::atomic<int> WorkerThread::running{0};

WorkerThread::WorkerThread(const QString &eventPath, Worker *worker)
    : QThread(worker), path(eventPath)
{
    // Names the thread for the system's process tools (and the idle tests).
    setObjectName(QStringLiteral("mousecfg-events"));
}

WorkerThread::~WorkerThread()
{
    stop();
    wait();
}

void WorkerThread::launch()
{
    ++running;
    start();
}

void WorkerThread::stop()
{
    QMutexLocker lock(&stopMutex);
    stopping = true;
    stopped.wakeAll();
}

bool WorkerThread::stopRequested() const
{
    return stopping.load() || isInterruptionRequested();
}

void WorkerThread::run()
{
    const QByteArray nativePath = path.toLocal8Bit();
    // Kept open between reads; a failed read closes it, the next round reopens it or ends.
    hid_device *handle = nullptr;
    while (!stopRequested()) {
        if (!handle) {
            {
                const HidLock lock;
                handle = hid_open_path(nativePath.constData());
            }
            if (!handle)
                break; // the mouse left
            hid_set_nonblocking(handle, 0);
        }
        unsigned char report[4] = {};
        const int got = hid_read_timeout(handle, report, sizeof report, ReadWaitMs);
        if (got == 4) {
            emit eventReport(report[0], report[1], report[2], report[3]);
        } else if (got < 0) {
            {
                const HidLock lock;
                hid_close(handle);
            }
            handle = nullptr;
            // An interface that opens but fails to read must not spin.
            QMutexLocker lock(&stopMutex);
            if (!stopping)
                stopped.wait(&stopMutex, RetryMs);
        }
    }
    if (handle) {
        const HidLock lock;
        hid_close(handle);
    }
    --running;
}
