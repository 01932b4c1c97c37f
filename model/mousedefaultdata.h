#pragma once

#include <QList>
#include <QObject>
#include <QVariantList>

#include "model/keyfunction.h"

// The factory settings shipped in the default file; read only.
class MouseDefaultData : public QObject
{
    Q_OBJECT
public:
    static MouseDefaultData *instance();

    QList<KeyFunction> defaultKeyMatrix;
    uchar reportRate = 0;
    uchar dpiCount = 0;
    uchar currentDpiCount = 0;         // levels in use in the factory set
    QVariantList xDpiList;
    QVariantList yDpiList;
    QVariantList lightValue;
    QVariantList colorValue;

    virtual void load();
    // The factory DPI lists of a family 0..6; any other value changes nothing.
    void loadDeviceFamily(int deviceType);
    const KeyFunction *defaultKeyFunction(int index) const;
    // Puts the factory key layout on the mouse; the profile's own layout is kept.
    void restoreDefaultKeys();

signals:
    void refreashData(int index);

private:
    MouseDefaultData() = default;
};
