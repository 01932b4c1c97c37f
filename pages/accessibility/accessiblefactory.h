#pragma once

#include <QString>

class QAccessibleInterface;
class QColor;
class QObject;
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

    // Tells a screen reader what a control's action changed elsewhere: the text becomes the
    // control's description, whose change is read out for the focused control.
    static void announce(QWidget *control, const QString &text);

private:
    static QAccessibleInterface *create(const QString &className, QObject *object);
};
