#pragma once

#include <QObject>
#include <QString>

// The mouse's chip protocol: turns settings texts into command texts, replies into model changes.
class Ic : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Ic() override = default;

public slots:
    virtual void setLighting(const QString &values) = 0;   // effect, brightness, speed, colour slot
    virtual void setDpi(const QString &values) = 0;        // 8 X, 8 Y, current level, enable mask
    virtual void readCurrentDpiLevel() = 0;
    virtual void setReportRate(const QString &value) = 0;  // 1, 2, 4 or 8
    virtual void setKeys(const QString &keyMatrix) = 0;    // 64 numbers
    virtual void setColors(const QString &values) = 0;     // 24 numbers
    virtual void setMacro(uchar button, const QString &macro) = 0;
    virtual void parseReply(const QString &reply) = 0;
};
