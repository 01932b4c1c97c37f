#include "device/workerthread.h"

#include "device/hidlock.h"
#include "device/worker.h"

#include <hidapi.h>

std::atomic<int> WorkerThread::running{0};

WorkerThread::WorkerThread(const QString &eventPath, Worker *worker)
    : QThread(worker), path(eventPath)
{
}

WorkerThread::~WorkerThread()
{
    requestInterruption();
    wait();
}

void WorkerThread::launch()
{
    ++running;
    start();
}

void WorkerThread::run()
{
    const QByteArray nativePath = path.toLocal8Bit();
    // Kept open between polls: opening and closing it 40 times a second cost more CPU than
    // the polling itself. A failed read closes it; the next round reopens it or ends.
    hid_device *handle = nullptr;
    while (!isInterruptionRequested()) {
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
        const int got = hid_read_timeout(handle, report, sizeof report, PollMs);
        if (got == 4) {
            emit eventReport(report[0], report[1], report[2], report[3]);
        } else if (got < 0) {
            {
                const HidLock lock;
                hid_close(handle);
            }
            handle = nullptr;
            msleep(PollMs); // an interface that opens but fails to read must not spin
        }
    }
    if (handle) {
        const HidLock lock;
        hid_close(handle);
    }
    --running;
}
