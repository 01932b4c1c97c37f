#pragma once

#include <QString>
#include <QStringList>

// Numbered user-visible texts, read from an INI file of the i18n directory.
class LanguageTable
{
public:
    // The file named by the configuration's common/language: "English" (exactly) selects the
    // English table, anything else the Chinese Simplified one.
    static QString activeFile();
    static QStringList load(const QString &file);
};
