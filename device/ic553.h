#pragma once

#include "device/ic.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The chip protocol of the mouse family: every setting becomes one or more command texts
// ("_"-joined decimal bytes) emitted through the controller's send/receive signals.
class Ic553 : public Ic
{
    Q_OBJECT
public:
    static Ic553 *instance();
    // The DPI resolution the mouse's codes have at a value for a family: 50 up to the
    // family's threshold, 100 above it. A value on that grid reaches the mouse unchanged.
    static int dpiStep(int dpi, uchar deviceType);

    // The query whose reply is awaited; 0 = current DPI level, the only query there is.
    int pendingRequest = 0;

    struct Command
    {
        int dataLength;
        QString text;
    };
    // The commands that `calls` would send, in order, without sending them.
    QList<Command> capture(const std::function<void(Ic553 &)> &calls);

public slots:
    void setLighting(const QString &values) override;
    void setDpi(const QString &values) override;
    void readCurrentDpiLevel() override;
    void setReportRate(const QString &value) override;
    void setKeys(const QString &keyMatrix) override;
    void setColors(const QString &values) override;
    void setMacro(uchar button, const QString &macro) override;
    void parseReply(const QString &reply) override;

private:
    Ic553() = default;

    void write(int dataLength, const QString &command);

    QList<Command> *m_capture = nullptr;
};
