#include "model/attachpolicy.h"

#include <QDir>
#include <QSettings>

#include "device/datapaths.h"
#include "model/languagetable.h"
#include "model/settingsio.h"

namespace {
const char key[] = "device/keepMouseSettings";
}

bool AttachPolicy::keepMouseSettings()
{
    const QSettings s(LanguageTable::choiceFile(), QSettings::IniFormat);
    return s.value(QLatin1String(key)).toString().trimmed() == QLatin1String("1");
}

bool AttachPolicy::setKeepMouseSettings(bool keep)
{
    QDir().mkpath(DataPaths::writableDir());
    QSettings s(LanguageTable::choiceFile(), QSettings::IniFormat);
    if (keep)
        s.setValue(QLatin1String(key), 1);
    else
        s.remove(QLatin1String(key));
    return SettingsIo::commit(s);
}
