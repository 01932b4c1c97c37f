#include "model/languagetable.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "device/datapaths.h"
#include "model/settingsio.h"

namespace {
// A corrupt total must not make us allocate millions of empty texts.
constexpr int maxTexts = 65536;

const char choiceKey[] = "ui/language";

bool isPlainLocale(const QString &l)
{
    const QString base = l.section(QLatin1Char('.'), 0, 0);
    return base.isEmpty() || base == QLatin1String("C") || base == QLatin1String("POSIX");
}

// "zh_CN.UTF-8@x" -> "zh_cn", and the language alone -> "zh".
QStringList forms(const QString &candidate)
{
    QString l = candidate.section(QLatin1Char('@'), 0, 0).section(QLatin1Char('.'), 0, 0).toLower();
    l.replace(QLatin1Char('-'), QLatin1Char('_'));
    QStringList f{l};
    const QString language = l.section(QLatin1Char('_'), 0, 0);
    if (language != l)
        f << language;
    return f;
}

QString catalogueRule()
{
    QSettings config(DataPaths::configFile(), QSettings::IniFormat);
    const QString language = SettingsIo::readText(config, QStringLiteral("common/language"));
    if (language == QLatin1String("English"))
        return DataPaths::languageFile(QStringLiteral("English"));
    return DataPaths::languageFile(QStringLiteral("ChineseSimplified"));
}
} // namespace

QStringList LanguageTable::localeCandidates(const QString &language, const QString &lcAll,
                                            const QString &lcMessages, const QString &lang)
{
    QString effective;
    for (const QString &v : {lcAll, lcMessages, lang}) {
        if (!v.isEmpty()) {
            effective = v;
            break;
        }
    }
    QStringList candidates;
    if (isPlainLocale(effective))
        return candidates;
    for (const QString &l : language.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (!isPlainLocale(l))
            candidates << l;
    }
    candidates << effective;
    return candidates;
}

QString LanguageTable::pickForLocale(const QList<Info> &tables, const QStringList &candidates)
{
    if (candidates.isEmpty())
        return QString();
    for (const QString &c : candidates) {
        for (const QString &form : forms(c)) {
            for (const Info &t : tables) {
                if (!t.locale.isEmpty() && forms(t.locale).contains(form))
                    return t.file;
            }
        }
    }
    for (const Info &t : tables) {
        if (forms(t.locale).constFirst() == QLatin1String("en"))
            return t.file;
    }
    return QString();
}

QList<LanguageTable::Info> LanguageTable::available()
{
    QList<Info> tables;
    const QDir dir(DataPaths::languageDir());
    // A name filter would be a regular expression, and loading its library costs more than
    // the tables themselves.
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Files, QDir::Name)) {
        if (!fi.fileName().endsWith(QLatin1String(".ini"), Qt::CaseInsensitive))
            continue;
        QSettings s(fi.filePath(), QSettings::IniFormat);
        Info t;
        t.id = fi.completeBaseName();
        t.file = DataPaths::languageFile(t.id);
        t.name = SettingsIo::readText(s, QStringLiteral("language/name")).trimmed();
        if (t.name.isEmpty())
            t.name = t.id;
        t.locale = SettingsIo::readText(s, QStringLiteral("language/locale")).trimmed();
        tables << t;
    }
    return tables;
}

QString LanguageTable::localeOf(const QString &file)
{
    const QSettings s(file, QSettings::IniFormat);
    return SettingsIo::readText(s, QStringLiteral("language/locale")).trimmed();
}

QString LanguageTable::choiceFile()
{
    return DataPaths::writableDir() + QStringLiteral("/settings.ini");
}

QString LanguageTable::chosen()
{
    const QSettings s(choiceFile(), QSettings::IniFormat);
    return s.value(QLatin1String(choiceKey)).toString();
}

bool LanguageTable::setChosen(const QString &id)
{
    QDir().mkpath(DataPaths::writableDir());
    QSettings s(choiceFile(), QSettings::IniFormat);
    if (id.isEmpty())
        s.remove(QLatin1String(choiceKey));
    else
        s.setValue(QLatin1String(choiceKey), id);
    return SettingsIo::commit(s);
}

QString LanguageTable::activeFile()
{
    const QString choice = chosen();
    // Only a plain file name: the choice must not point out of the i18n directory.
    if (!choice.isEmpty() && !choice.contains(QLatin1Char('/')) && !choice.contains(QLatin1Char('\\'))) {
        const QString file = DataPaths::languageFile(choice);
        if (QFileInfo::exists(file))
            return file;
    }
    const QStringList candidates = localeCandidates(
        qEnvironmentVariable("LANGUAGE"), qEnvironmentVariable("LC_ALL"),
        qEnvironmentVariable("LC_MESSAGES"), qEnvironmentVariable("LANG"));
    const QString byLocale = pickForLocale(available(), candidates);
    return byLocale.isEmpty() ? catalogueRule() : byLocale;
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

bool LanguageTable::isChinese(const QString &file)
{
    QSettings s(file, QSettings::IniFormat);
    const QString locale = SettingsIo::readText(s, QStringLiteral("language/locale")).trimmed();
    if (!locale.isEmpty())
        return forms(locale).constLast() == QLatin1String("zh");
    return QFileInfo(file).completeBaseName() != QLatin1String("English");
}
