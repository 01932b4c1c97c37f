#include "device/worker.h"

#include "device/commandtext.h"
#include "device/datapaths.h"
#include "device/devicelock.h"
#include "device/hidlock.h"
#include "device/workerthread.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QThread>

#include <hidapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

// Off unless asked for (QT_LOGGING_RULES="mousecfg.device.debug=true").
Q_LOGGING_CATEGORY(lcWorker, "mousecfg.device", QtWarningMsg)

namespace {
qint64 steadyMs()
{
    return QDeadlineTimer::current().deadline();
}
} // namespace

Worker::Worker(QObject *parent) : QObject(parent) {}

Worker::~Worker()
{
    // The event thread is our child: it must be stopped before QObject deletes it.
    stopEventThread();
    closeCommandInterface();
    mouseLock.reset();
}

void Worker::requestStop(int graceMs)
{
    stopDeadline.store(steadyMs() + qMax(0, graceMs));
}

bool Worker::stopped() const
{
    const qint64 deadline = stopDeadline.load();
    return deadline >= 0 && steadyMs() >= deadline;
}

bool Worker::eventThreadRunning() const
{
    return eventThread && eventThread->isRunning();
}

void Worker::checkDevice()
{
    QList<DeviceEntry> found = catalogueFromFile();
    // One enumeration for the whole catalogue: on hidraw each one scans every HID device.
    hid_device_info *list = nullptr;
    {
        const HidLock lock;
        list = hid_enumerate(0, 0);
    }
    for (int i = 0; i < found.size(); ++i) {
        DeviceEntry &e = found[i];
        // An enumeration for IDs 0/0 would list every device: an entry without IDs matches none.
        if (!e.hasIds())
            continue;
        for (hid_device_info *d = list; d; d = d->next) {
            // A zero ID in the entry matches any, as hidapi's own filter does.
            if ((e.vid && d->vendor_id != e.vid) || (e.pid && d->product_id != e.pid))
                continue;
            if (d->usage_page == e.usagePage && d->usage == e.usage) {
                e.commandPath = QString::fromLocal8Bit(d->path);
                currentIndex = i;
            }
            if (d->usage_page == e.usagePage2 && d->usage == e.usage2)
                e.eventPath = QString::fromLocal8Bit(d->path);
        }
    }
    {
        const HidLock lock;
        hid_free_enumeration(list);
    }
    devices = found;

    const bool attached = std::any_of(devices.cbegin(), devices.cend(),
                                      [](const DeviceEntry &e) { return e.isAttached(); });
    if (attached) {
        qCDebug(lcWorker) << "Device Connect";
        // A mouse that is there but refuses to be opened is told now, not at the first change;
        // only here is a failed open known not to be an unplugged mouse.
        const QString path = currentIndex >= 0 ? devices.at(currentIndex).commandPath : QString();
        if (!path.isEmpty()) {
            if (openCommandInterface(currentIndex))
                closeCommandInterface();
            else
                emit openRefused(path);
        }
        emit checkFinish(currentIndex);
        startEventThread();
    } else {
        qCDebug(lcWorker) << "Device DisConnect";
        emit checkFinish(-1);
        stopEventThread();
    }
}

QList<DeviceEntry> Worker::catalogueFromFile()
{
    // The settings class looks every key up in a sorted map, which grows faster than the
    // catalogue; the bytes are compared instead, and parsed again only when they changed.
    const QString path = DataPaths::configFile();
    QFile file(path);
    QByteArray bytes;
    const bool readable = file.open(QIODevice::ReadOnly);
    if (readable)
        bytes = file.readAll();
    if (!readable || bytes != parsedBytes || path != parsedPath) {
        parsedCatalogue = DeviceEntry::loadCatalogue(path);
        parsedBytes = readable ? bytes : QByteArray();
        // A file that cannot be read now is parsed again next time.
        parsedPath = readable ? path : QString();
    }
    return parsedCatalogue;
}

bool Worker::prepare(int dataLength, const QString &dataList)
{
    if (!CommandText::split(dataList, dataLength, featureOut, dataBuffer)) {
        qCDebug(lcWorker) << "Data Length error";
        return false;
    }
    return true;
}

void Worker::sendDataProc(int dataLength, QString dataList)
{
    const bool sent = !stopped() && prepare(dataLength, dataList) && lockMouse() && writeTransfer(dataLength);
    transferDone();
    if (!sent)
        emit transferFailed(dataList);
}

void Worker::receiveDataProc(int dataLength, QString dataList)
{
    // A failed read has no answer: handing on the previous one would pass it off as this one's.
    const bool read = !stopped() && prepare(dataLength, dataList) && lockMouse() && readTransfer(dataLength);
    transferDone();
    if (!read) {
        emit transferFailed(dataList);
        return;
    }
    emit returnData(CommandText::join(featureIn + 1, 8));
}

bool Worker::lockMouse()
{
    const QString path = (currentIndex >= 0 && currentIndex < devices.size())
                             ? devices.at(currentIndex).commandPath
                             : QString();
    if (path.isEmpty())
        return true; // nothing to talk to: the transfer fails by itself
    if (mouseLock && mouseLock->commandPath() != path)
        mouseLock.reset();
    if (!mouseLock)
        mouseLock = std::make_unique<DeviceLock>(path);
    return mouseLock->acquire(LockWaitMs, [this] { return stopped(); });
}

void Worker::transferDone()
{
    // Queued behind every transfer already waiting: a burst the GUI thread queued at once
    // keeps the lock until its last command went out.
    ++queuedReleases;
    QMetaObject::invokeMethod(this, &Worker::releaseIfIdle, Qt::QueuedConnection);
}

void Worker::releaseIfIdle()
{
    if (--queuedReleases == 0 && holds == 0)
        mouseLock.reset();
}

void Worker::holdMouse(bool hold)
{
    if (hold) {
        ++holds;
        lockMouse();
        return;
    }
    holds = qMax(0, holds - 1);
    if (holds == 0 && queuedReleases == 0)
        mouseLock.reset();
}

Worker::Handle Worker::openCommandInterface(int index)
{
    if (index < 0 || index >= devices.size())
        return nullptr;
    DeviceEntry &e = devices[index];
    if (e.commandPath.isEmpty())
        return nullptr;
    closeCommandInterface();
    {
        const HidLock lock;
        commandHandle = hid_open_path(e.commandPath.toLocal8Bit().constData());
    }
    if (!commandHandle) {
        // Unplugged or refused: the device check that follows a failed transfer tells which.
        // Until then later transfers fail at once.
        e.commandPath.clear();
        return nullptr;
    }
    hid_set_nonblocking(commandHandle, 0);
    return commandHandle;
}

void Worker::closeCommandInterface()
{
    if (commandHandle) {
        const HidLock lock;
        hid_close(commandHandle);
        commandHandle = nullptr;
    }
}

bool Worker::writeTransfer(int n)
{
    Handle h = openCommandInterface(currentIndex);
    if (!h)
        return false;
    const int sent = hid_send_feature_report(h, featureOut, CommandText::FeatureSize);
    QThread::msleep(PacingMs);
    if (sent < 0) {
        closeCommandInterface();
        return false;
    }
    if (n == 0) {
        closeCommandInterface();
        return true;
    }
    const int reportLength = devices.at(currentIndex).reportLength;
    const int chunk = std::min(n, reportLength);
    std::vector<unsigned char> report(size_t(reportLength) + 1, 0);
    for (int offset = 0; offset < n; offset += chunk) {
        report[0] = 0;
        // The last report is zero-padded past n: what lies beyond belongs to earlier commands.
        const int take = std::min(chunk, n - offset);
        std::fill(report.begin() + 1, report.end(), 0);
        std::memcpy(report.data() + 1, dataBuffer + offset, size_t(take));
        if (hid_write(h, report.data(), report.size()) < 0) {
            closeCommandInterface();
            return false;
        }
    }
    closeCommandInterface();
    QThread::msleep(PacingMs);
    return true;
}

bool Worker::readTransfer(int n)
{
    Handle h = openCommandInterface(currentIndex);
    if (!h)
        return false;
    if (hid_send_feature_report(h, featureOut, CommandText::FeatureSize) < 0) {
        closeCommandInterface();
        return false;
    }
    // A short answer must not hand on the tail of the previous one.
    std::memset(featureIn, 0, sizeof featureIn);
    if (hid_get_feature_report(h, featureIn, CommandText::FeatureSize) < 0) {
        closeCommandInterface();
        return false;
    }
    if (n == 0) {
        closeCommandInterface();
        return true;
    }
    const int reportLength = devices.at(currentIndex).reportLength;
    const int chunk = std::min(n, reportLength);
    std::vector<unsigned char> report(size_t(reportLength) + 1, 0);
    for (int offset = 0; offset < n; offset += chunk) {
        std::fill(report.begin(), report.end(), 0);
        // Bounded: a mouse that stops answering must not hold the worker (and shutdown).
        if (hid_read_timeout(h, report.data(), report.size(), ReadTimeoutMs) <= 0) {
            closeCommandInterface();
            return false;
        }
        const int take = std::min(chunk, n - offset);
        std::memcpy(dataBuffer + offset, report.data(), size_t(take));
    }
    closeCommandInterface();
    return true;
}

void Worker::startEventThread()
{
    const QString path = (currentIndex >= 0 && currentIndex < devices.size())
                             ? devices.at(currentIndex).eventPath
                             : QString();
    if (eventThreadRunning() && eventThread->eventPath() == path)
        return; // the same mouse again: its thread keeps waiting
    stopEventThread();
    if (path.isEmpty())
        return;
    auto *t = new WorkerThread(path, this);
    connect(t, &WorkerThread::eventReport, this, &Worker::eventReport, Qt::DirectConnection);
    connect(t, &QThread::finished, t, &QObject::deleteLater);
    eventThread = t;
    t->launch();
}

void Worker::stopEventThread()
{
    if (!eventThread)
        return;
    eventThread->stop();
    eventThread->wait();
    eventThread = nullptr;
}
