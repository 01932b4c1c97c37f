#include "device/controller.h"

#include "device/hidlock.h"
#include "device/ic.h"
#include "device/ic553.h"
#include "device/worker.h"
#include "model/mousedata.h"
#include "model/macrodata.h"
#include "model/mousedefaultdata.h"
#include "model/profilesender.h"

#include <QDebug>
#include <QDeadlineTimer>

#include <hidapi.h>

namespace {
Controller *s_instance = nullptr;
constexpr int StopGraceMs = 500;    // queued transfers still sent at exit, within this time
constexpr int QuitBoundMs = 2000;
} // namespace

Controller *Controller::instance()
{
    if (!s_instance)
        s_instance = new Controller;
    return s_instance;
}

void Controller::shutdown()
{
    delete s_instance;
    s_instance = nullptr;
}

Controller::Controller()
{
    // Once, before any other hidapi call can run on the worker or event thread.
    {
        const HidLock lock;
        hid_init();
    }

    worker = new Worker;
    worker->moveToThread(&thread);
    connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(this, &Controller::check, worker, &Worker::checkDevice);
    connect(this, &Controller::send, worker, &Worker::sendDataProc);
    connect(this, &Controller::receive, worker, &Worker::receiveDataProc);
    connect(this, &Controller::holdMouse, worker, &Worker::holdMouse);
    connect(worker, &Worker::checkFinish, this, &Controller::checkFinishProc);
    connect(worker, &Worker::returnData, this, &Controller::returnDataProc);
    connect(worker, &Worker::transferFailed, this, &Controller::failedProc, Qt::QueuedConnection);
    connect(worker, &Worker::openRefused, this, &Controller::openRefused, Qt::QueuedConnection);
    m_resendTimer.setSingleShot(true);
    connect(&m_resendTimer, &QTimer::timeout, this, &Controller::resend);
    // Emitted on the event thread; the handlers work on GUI objects.
    connect(worker, &Worker::eventReport, this, &Controller::eventReport, Qt::QueuedConnection);
    thread.start(QThread::InheritPriority);
}

Controller::~Controller()
{
    worker->requestStop(StopGraceMs);
    thread.quit();
    // The worker is deleted on its thread when it finishes; its destructor stops the event thread.
    if (!thread.wait(QDeadlineTimer(QuitBoundMs))) {
        qWarning() << "device link: worker thread still busy at exit, waiting";
        thread.wait();
    }
    worker = nullptr;
    m_ic = nullptr;
    const HidLock lock;
    hid_exit();
}

void Controller::checkFinishProc(int resultValue)
{
    if (resultValue >= 0 && resultValue <= 6)
        attach(resultValue);
    else
        detach();
    emit deviceChecked(resultValue);
}

namespace {
QStringList macroSnapshot()
{
    const MacroData *macros = MacroData::instance();
    return macros->macroNames() + QStringList{QStringLiteral("@#")} + macros->macroActions();
}
} // namespace

void Controller::attach(int family)
{
    MouseData *model = MouseData::instance();
    const bool stillAttached = m_ic && model->deviceType == family;
    setCurrentIc(Ic553::instance());
    if (stillAttached) {
        // A check caused by some other device: the settings in memory are newer than the
        // file, and the window stays as the user left it.
        return;
    }
    const bool cameBack = family == m_detachedFamily;
    m_detachedFamily = -1;
    model->deviceType = uchar(family);
    // Factory lists first: the pages read them when deviceChange arrives.
    MouseDefaultData::instance()->loadDeviceFamily(family);
    model->loadDeviceFamily();
    const bool missed = m_undelivered || model->profileValues() != m_profileAtDetach
                        || macroSnapshot() != m_macrosAtDetach;
    m_undelivered = false;
    if (m_sendOnAttach) {
        sendProfile();
        return;
    }
    if (cameBack && missed) {
        ProfileSender::sendAll(m_ic);
        emit profileResent();
    } else {
        emit attachedUnsent();
    }
}

void Controller::failedProc(const QString &dataList)
{
    m_undelivered = true;
    // No level came back: the profile goes out with the level the model holds.
    if (m_sendAfterLevel && dataList.section(QLatin1Char('_'), 1, 1) == QLatin1String("135"))
        sendWholeProfile();
    // A resend the mouse refuses again is not news: the user was told at the first failure.
    if (m_resending)
        return;
    if (m_ic && !m_resendTimer.isActive())
        m_resendTimer.start(m_resendDelayMs);
    emit transferFailed(dataList);
}

void Controller::resend()
{
    if (!m_ic || !m_undelivered || m_resending)
        return;
    m_undelivered = false;
    m_resending = true;
    ProfileSender::sendAll(m_ic);
    // Queued behind the resend on the worker's thread; its answer comes back behind the
    // resend's failures.
    QMetaObject::invokeMethod(worker, [this]() {
        QMetaObject::invokeMethod(this, &Controller::resendDone, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void Controller::resendDone()
{
    m_resending = false;
    if (!m_undelivered) {
        m_resendDelayMs = ResendFirstMs;
        emit profileResent();
        return;
    }
    m_resendDelayMs = qMin(2 * m_resendDelayMs, ResendMaxMs);
    if (m_ic)
        m_resendTimer.start(m_resendDelayMs);
}

bool Controller::sendProfile()
{
    if (!m_ic)
        return false;
    // The profile does not store the level the mouse is on: keep it.
    m_sendAfterLevel = true;
    m_ic->readCurrentDpiLevel();
    return true;
}

void Controller::sendWholeProfile()
{
    m_sendAfterLevel = false;
    if (!m_ic)
        return;
    MouseData *model = MouseData::instance();
    const uchar level = model->currentDpiLevel;
    model->keepDpiLevelInUse();
    if (model->currentDpiLevel != level)
        emit model->dpiKeyPressed(model->currentDpiLevel);
    for (const Ic553::Command &c : ProfileSender::fullCommands())
        emit send(c.dataLength, c.text);
    emit profileSentOnAttach();
}

void Controller::detach()
{
    // What is owed now goes with the next attach.
    m_resendTimer.stop();
    m_resendDelayMs = ResendFirstMs;
    if (m_ic) {
        m_detachedFamily = MouseData::instance()->deviceType;
        m_profileAtDetach = MouseData::instance()->profileValues();
        m_macrosAtDetach = macroSnapshot();
    }
    // Changes still reach the profile model, but nothing is sent any more.
    m_ic = nullptr;
    m_sendAfterLevel = false;
    MouseData::instance()->deviceType = 255;
}

void Controller::returnDataProc(QString dataList)
{
    if (!m_ic)
        return;
    m_ic->parseReply(dataList);
    if (m_sendAfterLevel)
        sendWholeProfile();
}
