#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The virtual mouse's trace, parsed: one line per HID call that reached a device.
class VmouseTrace
{
public:
    struct Line
    {
        double ms = 0;
        QString op;      // open, close, feature, output, get-feature, input, event, error
        QString path;
        QByteArray bytes; // the whole report for report lines
        QString text;     // the rest of the line as written (reason of an error line)
    };

    static QString raw();
    static QList<Line> lines();
    static QList<Line> lines(const QString &op, const QString &path = QString());
};
