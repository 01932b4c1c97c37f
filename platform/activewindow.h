#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

// The desktop's word on which program is in front, for automatic profile switching.
class ActiveWindow : public QObject
{
    Q_OBJECT
public:
    // Where the word comes from; the rules dialog tells the user which one is in use.
    enum class Kind { None, X11, KWin, GnomeShell, Wlroots };

    // A program seen in front during this run: its executable and the application id the desktop
    // gave (Wayland app_id, X11 WM_CLASS or desktop file id); either may be empty.
    struct Seen
    {
        QString program;
        QString appId;
        bool operator==(const Seen &o) const { return program == o.program && appId == o.appId; }
    };

    using QObject::QObject;

    // The source for this desktop; one whose available() is false where the desktop tells nothing.
    static std::unique_ptr<ActiveWindow> create();

    virtual bool available() const = 0;
    virtual Kind kind() const = 0;

    // The programs seen in front, the most recent first, for the rules dialog to offer.
    QList<Seen> seen() const { return m_seen; }

    // The executable a running process was started from, also after an upgrade replaced or
    // removed the file; empty when unknown.
    static QString executableOf(qint64 pid);

signals:
    // The program owning the active window; both empty when unknown.
    void programChanged(const QString &program, const QString &appId);

protected:
    // Every source reports through here: a repeat of the program in front says nothing, nor does
    // an unknown one at the start.
    void report(const QString &program, const QString &appId);

private:
    Seen m_last;
    QList<Seen> m_seen;
};
