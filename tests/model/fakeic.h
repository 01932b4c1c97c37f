#pragma once

#include <QStringList>

#include "device/ic.h"

// Records every call the model makes on the chip protocol, as "operation:argument".
class FakeIc : public Ic
{
    Q_OBJECT
public:
    using Ic::Ic;

    QStringList calls;

    void setLighting(const QString &values) override { calls << "setLighting:" + values; }
    void setDpi(const QString &values) override { calls << "setDpi:" + values; }
    void readCurrentDpiLevel() override { calls << QStringLiteral("readCurrentDpiLevel:"); }
    void setReportRate(const QString &value) override { calls << "setReportRate:" + value; }
    void setKeys(const QString &keyMatrix) override { calls << "setKeys:" + keyMatrix; }
    void setColors(const QString &values) override { calls << "setColors:" + values; }
    void setMacro(uchar button, const QString &macro) override
    {
        calls << QStringLiteral("setMacro:%1:%2").arg(button).arg(macro);
    }
    void parseReply(const QString &reply) override { calls << "parseReply:" + reply; }

    // Operation names only, in call order.
    QStringList operations() const
    {
        QStringList ops;
        for (const QString &c : calls)
            ops << c.section(QLatin1Char(':'), 0, 0);
        return ops;
    }
};
