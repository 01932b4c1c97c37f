#include "common/devicecheck.h"

#include <QDeadlineTimer>
#include <QSignalSpy>

#include "device/controller.h"

bool checkFindsFamily(int family, int timeoutMs)
{
    QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
    emit Controller::instance()->check();
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        for (const QList<QVariant> &result : checked) {
            if (result.at(0).toInt() == family)
                return true;
        }
        checked.clear();
        checked.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return false;
}
