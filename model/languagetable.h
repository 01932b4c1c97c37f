#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Numbered user-visible texts, read from an INI file of the i18n directory. Each table names
// its own language in its [language] section (name = the language in that language, locale =
// the locale code it serves, e.g. "zh"), so a translation is added by adding a file.
class LanguageTable
{
public:
    struct Info
    {
        QString id;     // file name without ".ini"
        QString file;
        QString name;   // [language]/name, the id when absent
        QString locale; // [language]/locale, may be empty
    };

    // The table to load, in this order: the one the user chose (if it still exists); else the
    // first of LANGUAGE, LC_ALL, LC_MESSAGES, LANG that names a language served by a table,
    // a locale no table serves getting the English one; else, with no locale set (or C or
    // POSIX), the catalogue's common/language: "English" exactly selects English, anything
    // else Chinese Simplified.
    static QString activeFile();
    static QStringList load(const QString &file);

    // Whether `file` is a Chinese table (its locale, or its name when it has none): the window
    // title then uses the catalogue's Chinese product name.
    static bool isChinese(const QString &file);

    // Every table of the i18n directory, by id.
    static QList<Info> available();
    // The locale a table serves ([language]/locale), empty when it names none.
    static QString localeOf(const QString &file);

    // The user's choice (a table id), empty for "follow the locale".
    static QString chosen();
    static bool setChosen(const QString &id);
    // Where the choice is kept: settings.ini in the directory the profiles go to.
    static QString choiceFile();

    // The locale names to try, most wanted first, from the given variables (gettext order:
    // LANGUAGE, a colon list, only counts when the locale is not C or POSIX).
    static QStringList localeCandidates(const QString &language, const QString &lcAll,
                                        const QString &lcMessages, const QString &lang);
    // The table among `tables` for the candidates; empty when they name no language at all.
    static QString pickForLocale(const QList<Info> &tables, const QStringList &candidates);
};
