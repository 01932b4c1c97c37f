#pragma once

#include <QString>

class QAccessibleInterface;
class QColor;
class QObject;

// The program's own screen-reader faces for Qt classes whose default ones mislead: buttons,
// the key screen's lists, inner panels (not windows) and pop-up notices (alerts).
class AccessibleFactory
{
public:
    // Registers the factory once; call before the first widget is built.
    static void install();

    // A colour as a screen reader should read it: its red, green and blue parts.
    static QString spokenColour(const QColor &colour);

private:
    static QAccessibleInterface *create(const QString &className, QObject *object);
};
