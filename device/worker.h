#pragma once

#include "device/deviceentry.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <memory>

struct hid_device_;
class DeviceLock;
class WorkerThread;

// The HID transport: the only object that touches the mouse. Lives on the controller's worker
// thread; every slot runs there, one at a time, in the order the requests were queued.
class Worker : public QObject
{
    Q_OBJECT
public:
    static constexpr int PacingMs = 32;        // the mouse needs this after a command and after its data
    static constexpr int ReadTimeoutMs = 1000; // bound on every interrupt read of a transfer
    // Bound on the wait for another process's command sequence on the same mouse.
    static constexpr int LockWaitMs = 30000;

    explicit Worker(QObject *parent = nullptr);
    ~Worker() override;

    // Thread-safe: transfers still queued after graceMs are dropped (reported as failed),
    // so that shutdown stays bounded when the mouse stops answering.
    void requestStop(int graceMs);

    // For tests and diagnostics; call on the worker's own thread.
    const QList<DeviceEntry> &catalogue() const { return devices; }
    int index() const { return currentIndex; }
    bool eventThreadRunning() const;

public slots:
    void checkDevice();
    void sendDataProc(int dataLength, QString dataList);
    void receiveDataProc(int dataLength, QString dataList);
    // While held (calls nest), the mouse's lock stays taken between transfers: for a command
    // sequence of its own (mousecfg-cli holds it for a whole command).
    void holdMouse(bool hold);

signals:
    void checkFinish(int resultValue);
    void returnData(QString dataList);
    // A command that did not reach the mouse, or whose answer could not be read.
    void transferFailed(QString dataList);
    // A device check found the mouse's command interface but could not open it (on Linux
    // mostly a missing udev rule: the node is not the user's). Emitted before checkFinish.
    void openRefused(QString path);
    // Emitted on the event thread; connect with a queued connection.
    void eventReport(uchar b0, uchar b1, uchar b2, uchar b3);

private:
    using Handle = hid_device_ *;

    Handle openCommandInterface(int index);
    void closeCommandInterface();
    bool writeTransfer(int n);
    bool readTransfer(int n);
    void startEventThread();
    void stopEventThread();
    bool stopped() const;
    bool prepare(int dataLength, const QString &dataList);
    bool lockMouse();
    void transferDone();
    void releaseIfIdle();
    QList<DeviceEntry> catalogueFromFile();

    QList<DeviceEntry> devices;
    QString parsedPath; // the catalogue file as last parsed, with its entries
    QByteArray parsedBytes;
    QList<DeviceEntry> parsedCatalogue;
    int currentIndex = 0;
    Handle commandHandle = nullptr;
    QPointer<WorkerThread> eventThread;
    uchar featureOut[9] = {};
    uchar featureIn[9] = {};
    uchar dataBuffer[514] = {};
    std::atomic<qint64> stopDeadline{-1}; // steady-clock ms; -1 while running
    std::unique_ptr<DeviceLock> mouseLock;
    int holds = 0;
    int queuedReleases = 0; // one per transfer; the lock goes when the last one runs
};
