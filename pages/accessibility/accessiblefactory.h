#pragma once

#include <QList>
#include <QString>

class QAbstractButton;
class QAbstractItemView;
class QAccessibleInterface;
class QColor;
class QObject;
class QPushButton;
class QWidget;

// The program's own screen-reader faces for Qt classes whose default ones mislead: buttons,
// the key screen's lists, inner panels (not windows) and pop-up notices (alerts).
class AccessibleFactory
{
public:
    // Registers the factory once; call before the first widget is built.
    static void install();

    // A colour as a screen reader should read it: its red, green and blue parts.
    static QString spokenColour(const QColor &colour);

    // Tells a screen reader what a control's action changed elsewhere: spoken at once, and kept
    // as the control's description for a later look.
    static void announce(QWidget *control, const QString &text);

    // Tells a screen reader which row of a list has the focus, as a list that takes the focus
    // does not: otherwise the user arrows on from a row never heard.
    static void focusCurrentRow(QAbstractItemView *view);

    // Tab enters a group of exclusive buttons on its checked one, as a radio group should (Qt
    // makes the last one focused the group's stop, at first its first one).
    static void tabToChecked(const QList<QAbstractButton *> &group);

    // Opened from the keyboard, the button's menu starts on its first entry, so that the focus
    // (and a screen reader) lands in it; a pointer never focuses the button, so its look stays.
    static void menuStartsOnFirstEntry(QPushButton *button);

private:
    static QAccessibleInterface *create(const QString &className, QObject *object);
};
