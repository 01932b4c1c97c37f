#pragma once

#include <QMutex>

// hidapi keeps process-wide state (its error string, the enumeration context) that hid_init,
// hid_exit, hid_enumerate, hid_free_enumeration, hid_open_path, hid_close and hid_error
// replace without a lock of their own. Every call of those, on any thread, holds this lock.
// Reads and writes on an open handle do not: the event thread's read wait must never delay
// the worker's writes.
class HidLock
{
public:
    HidLock() : m_locker(&mutex()) {}
    HidLock(const HidLock &) = delete;
    HidLock &operator=(const HidLock &) = delete;

    static QMutex &mutex();

private:
    QMutexLocker<QMutex> m_locker;
};
