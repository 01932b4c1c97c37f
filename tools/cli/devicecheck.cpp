#include "tools/cli/clicommand.h"

#include "device/controller.h"
#include "device/ic.h"
#include "device/worker.h"
#include "model/mousedata.h"

#include <QEventLoop>
#include <QTimer>

int Cli::runDeviceCheck(int timeoutMs)
{
    int result = -2;
    Controller *controller = Controller::instance();
    QEventLoop loop;
    const QMetaObject::Connection done =
        QObject::connect(controller, &Controller::deviceChecked, &loop, [&](int value) {
            result = value;
            loop.quit();
        });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    emit controller->check();
    loop.exec();
    QObject::disconnect(done);
    return result;
}

bool Cli::readDpiLevel(int timeoutMs, int *level)
{
    Controller *controller = Controller::instance();
    Ic *ic = controller->currentIc();
    if (!ic)
        return false;
    bool answered = false;
    QEventLoop loop;
    const QMetaObject::Connection reply =
        QObject::connect(MouseData::instance(), &MouseData::dpiKeyPressed, &loop, [&](int value) {
            answered = true;
            *level = value;
            loop.quit();
        });
    const QMetaObject::Connection failed =
        QObject::connect(controller, &Controller::transferFailed, &loop, [&](const QString &text) {
            if (text.split(QLatin1Char('_')).value(1) == QLatin1String("135"))
                loop.quit();
        });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    ic->readCurrentDpiLevel();
    loop.exec();
    QObject::disconnect(reply);
    QObject::disconnect(failed);
    return answered;
}

const int Cli::FirstAnswerMs = Worker::LockWaitMs + 5000;

void Cli::holdMouse()
{
    emit Controller::instance()->holdMouse(true);
}
