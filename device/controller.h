#pragma once

#include <QObject>
#include <QString>
#include <QMap>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QVariant>

class Ic;
class Worker;

// The device link's face towards the GUI thread. Owns the worker thread on which the HID
// transport runs; requests go out as queued signals, results come back as signals.
class Controller : public QObject
{
    Q_OBJECT
public:
    static Controller *instance();
    // Stops the worker and event threads and deletes the instance; safe to call twice.
    // The program calls it before the application object goes away.
    static void shutdown();

    // The current chip protocol, or nullptr while no supported mouse is attached.
    Ic *currentIc() const { return m_ic; }
    void setCurrentIc(Ic *ic) { m_ic = ic; }

    // While the attached mouse owes changes it refused, the whole profile is sent again after
    // this delay; it doubles with every resend the mouse refuses too, up to ResendMaxMs.
    static constexpr int ResendFirstMs = 2000;
    static constexpr int ResendMaxMs = 32000;
    int resendDelayMs() const { return m_resendDelayMs; }
    bool resendPending() const { return m_resendTimer.isActive(); }
    // On: a mouse that attaches (not one a check finds still there) first tells its DPI level,
    // then gets the whole profile, as it may hold anything. Off (the default, and the user's
    // "keep what the mouse holds"): only a mouse that missed changes while away gets it.
    void setSendOnAttach(bool on) { m_sendOnAttach = on; }
    bool sendOnAttach() const { return m_sendOnAttach; }
    // Reads the mouse's DPI level, then sends it the whole profile (profileSentOnAttach follows).
    // False without a mouse.
    bool sendProfile();

signals:
    void check();
    void send(int dataLength, QString dataList);
    void receive(int dataLength, QString dataList);
    // See Worker::holdMouse: true before a command sequence of its own, false after it.
    void holdMouse(bool hold);

    // The mouse's 4-byte event reports, delivered on the GUI thread.
    void eventReport(uchar b0, uchar b1, uchar b2, uchar b3);
    // A write or read that did not reach the mouse; carries the command text.
    void transferFailed(QString dataList);
    // See Worker::openRefused.
    void openRefused(QString path);
    // Result of every device check: the catalogue index found, or -1.
    void deviceChecked(int resultValue);
    // A mouse came back that had missed changes, or answered again after refusing some; it
    // was sent the whole profile.
    void profileResent();
    // A mouse attached and was sent the whole profile (setSendOnAttach).
    void profileSentOnAttach();
    // A mouse attached and was left as it was although it may hold other settings.
    void attachedUnsent();

public slots:
    void checkFinishProc(int resultValue);
    void returnDataProc(QString dataList);

private:
    Controller();
    ~Controller() override;

    // A mouse of family 0..6 was found / none (or an entry beyond 6) was.
    void attach(int family);
    void detach();
    void failedProc(const QString &dataList);
    void resend();
    void resendDone();
    void sendWholeProfile();

    QThread thread;
    Worker *worker = nullptr;
    Ic *m_ic = nullptr;

    // What the mouse may have missed: failed transfers, or changes made while it was away.
    int m_detachedFamily = -1; // the family that left at the last detach, until an attach
    bool m_undelivered = false;
    bool m_sendOnAttach = false;
    bool m_sendAfterLevel = false; // the level read of an attach is out; the profile follows it
    QMap<QString, QVariant> m_profileAtDetach;
    QStringList m_macrosAtDetach;
    QTimer m_resendTimer;
    int m_resendDelayMs = ResendFirstMs;
    bool m_resending = false;
};
