#pragma once

#include <QLabel>

// A line a screen reader speaks when it appears: the confirmation of an action whose effect
// is not where the focus is. One per window, unseen; Orca and its kind read a notification
// the moment it shows, which a changed description never gets.
class Announcer : public QLabel
{
    Q_OBJECT
public:
    // Says the text through the announcer of the window that holds the widget, once the
    // event at hand is done: what is said meanwhile joins it. While a dialog has the keyboard,
    // it is said when the window has it back.
    static void say(QWidget *inWindow, const QString &text);
    // True when something is waiting to be said in that window.
    static bool pending(QWidget *inWindow);
    // The announcer of that window, made on first use.
    static Announcer *of(QWidget *inWindow);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit Announcer(QWidget *window);
    void sayPending();

    QString m_pending;
    bool m_scheduled = false;
};
