#include "device/workerthread.h"

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
    while (!isInterruptionRequested()) {
        hid_device *handle = hid_open_path(nativePath.constData());
        if (!handle)
            break; // the mouse left
        hid_set_nonblocking(handle, 0);
        unsigned char report[4] = {};
        const int got = hid_read_timeout(handle, report, sizeof report, PollMs);
        hid_close(handle);
        if (got == 4)
            emit eventReport(report[0], report[1], report[2], report[3]);
        else if (got < 0)
            msleep(PollMs); // an interface that opens but fails to read must not spin
    }
    --running;
}
