#include "device/hidlock.h"

QMutex &HidLock::mutex()
{
    static QMutex lock;
    return lock;
}
