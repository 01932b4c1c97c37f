#include "model/mousedefaultdata.h"

#include <QSettings>

#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "model/mousedata.h"
#include "model/settingsio.h"

namespace {
constexpr int keyCount = 16;
}

MouseDefaultData *MouseDefaultData::instance()
{
    static MouseDefaultData *self = new MouseDefaultData;
    return self;
}

void MouseDefaultData::load()
{
    const QSettings s(DataPaths::defaultsFile(), QSettings::IniFormat);
    const MouseData *profile = MouseData::instance();
    defaultKeyMatrix.clear();
    // Unlike a profile, the factory table ends at its first gap.
    for (int i = 0; i < keyCount; ++i) {
        KeyFunction code;
        if (!SettingsIo::readKeyCode(s, i, &code))
            break;
        code.label = profile->functionText(code.kind, code.param1, code.param2, code.param3);
        defaultKeyMatrix.append(code);
    }
    reportRate = SettingsIo::readByte(s, QStringLiteral("mouse/reportRate"));
    dpiCount = SettingsIo::readByte(s, QStringLiteral("mouse/dpiCount"));
    currentDpiCount = SettingsIo::readByte(s, QStringLiteral("mouse/currentDpiCount"));
    xDpiList = SettingsIo::readList(s, QStringLiteral("mouse/xDpiList"));
    yDpiList = SettingsIo::readList(s, QStringLiteral("mouse/yDpiList"));
    lightValue = SettingsIo::readList(s, QStringLiteral("mouse/lightValue"));
    colorValue = SettingsIo::readList(s, QStringLiteral("mouse/colorValue"));
}

void MouseDefaultData::loadDeviceFamily(int deviceType)
{
    const QString xKey = SettingsIo::dpiListKey(deviceType, false);
    if (xKey.isEmpty())
        return;
    const QSettings s(DataPaths::defaultsFile(), QSettings::IniFormat);
    xDpiList = SettingsIo::readList(s, xKey);
    yDpiList = SettingsIo::readList(s, SettingsIo::dpiListKey(deviceType, true));
}

const KeyFunction *MouseDefaultData::defaultKeyFunction(int index) const
{
    return index >= 0 && index < defaultKeyMatrix.size() ? &defaultKeyMatrix[index] : nullptr;
}

void MouseDefaultData::restoreDefaultKeys()
{
    emit refreashData(0);
    MouseData *profile = MouseData::instance();
    if (Ic *chip = Controller::instance()->currentIc()) {
        // The mouse expects all sixteen buttons; a short factory table keeps the profile's
        // codes for the buttons it lacks.
        QList<KeyFunction> matrix = defaultKeyMatrix;
        for (int i = int(matrix.size()); i < profile->keyMatrix.size() && i < keyCount; ++i)
            matrix.append(profile->keyMatrix.at(i));
        chip->setKeys(KeyFunction::matrixText(matrix));
    }
    profile->sendLighting();
}
