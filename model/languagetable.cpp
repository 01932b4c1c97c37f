#include "model/languagetable.h"

#include <QSettings>

#include "device/datapaths.h"
#include "model/settingsio.h"

namespace {
// A corrupt total must not make us allocate millions of empty texts.
constexpr int maxTexts = 65536;
}

QString LanguageTable::activeFile()
{
    QSettings config(DataPaths::configFile(), QSettings::IniFormat);
    const QString language = SettingsIo::readText(config, QStringLiteral("common/language"));
    if (language == QLatin1String("English"))
        return DataPaths::languageFile(QStringLiteral("English"));
    return DataPaths::languageFile(QStringLiteral("ChineseSimplified"));
}

QStringList LanguageTable::load(const QString &file)
{
    QSettings table(file, QSettings::IniFormat);
    const int total = qBound(0, table.value(QStringLiteral("main/total")).toString().toInt(), maxTexts);
    QStringList texts;
    texts.reserve(total);
    for (int i = 0; i < total; ++i)
        texts.append(SettingsIo::readText(table, QStringLiteral("main/%1").arg(i)));
    return texts;
}
