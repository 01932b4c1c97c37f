#include "profiles/profileindex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>

#include <algorithm>

#include "device/datapaths.h"

namespace {
const QString orderKey = QStringLiteral("profiles/order");
const QString activeKey = QStringLiteral("profiles/active");
const QString defaultKey = QStringLiteral("profiles/default");
const QString rulesArray = QStringLiteral("rules");
constexpr int maxProfiles = 4096;
} // namespace

QString ProfileIndex::path()
{
    return QFileInfo(DataPaths::profileFile(0)).path() + QStringLiteral("/profiles.ini");
}

bool ProfileIndex::load()
{
    return loadFrom(path());
}

bool ProfileIndex::loadFrom(const QString &file)
{
    profiles.clear();
    rules.clear();
    active = 0;
    defaultFile = -1;
    if (!QFile::exists(file))
        return false;
    QSettings s(file, QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        return false;
    const QStringList order = s.value(orderKey).toStringList();
    for (const QString &f : order) {
        bool ok = false;
        const int file = f.trimmed().toInt(&ok);
        const QString name = s.value(QStringLiteral("names/%1").arg(file)).toString();
        // A damaged line loses one entry, never the others.
        if (!ok || file < 0 || cleanName(name).isEmpty() || positionOfFile(file) >= 0)
            continue;
        // Written before names had rules, or by hand: cleaned, and never lost to a duplicate.
        profiles.append({uniqueName(name), file});
        if (profiles.size() >= maxProfiles)
            break;
    }
    if (profiles.isEmpty())
        return false;
    active = s.value(activeKey).toInt();
    if (positionOfFile(active) < 0)
        active = profiles.first().file;
    defaultFile = s.value(defaultKey, -1).toInt();
    if (positionOfFile(defaultFile) < 0)
        defaultFile = -1;
    const int n = s.beginReadArray(rulesArray);
    for (int i = 0; i < n; ++i) {
        s.setArrayIndex(i);
        const Rule r{s.value(QStringLiteral("program")).toString(), s.value(QStringLiteral("profile"), -1).toInt()};
        if (!r.program.isEmpty() && positionOfFile(r.file) >= 0)
            rules.append(r);
    }
    s.endArray();
    return true;
}

bool ProfileIndex::save() const
{
    // QSettings writes the text into a scratch file beside the index; QSaveFile then replaces the
    // index in one rename, so a writer killed at any point leaves the old or the new one whole.
    QTemporaryFile scratch(path() + QStringLiteral(".XXXXXX"));
    if (!scratch.open())
        return false;
    scratch.close();
    {
        QSettings s(scratch.fileName(), QSettings::IniFormat);
        QStringList order;
        for (const Entry &e : profiles) {
            order << QString::number(e.file);
            s.setValue(QStringLiteral("names/%1").arg(e.file), e.name);
        }
        s.setValue(orderKey, order);
        s.setValue(activeKey, active);
        s.setValue(defaultKey, defaultFile);
        s.beginWriteArray(rulesArray, int(rules.size()));
        for (int i = 0; i < rules.size(); ++i) {
            s.setArrayIndex(i);
            s.setValue(QStringLiteral("program"), rules.at(i).program);
            s.setValue(QStringLiteral("profile"), rules.at(i).file);
        }
        s.endArray();
        s.sync();
        if (s.status() != QSettings::NoError)
            return false;
    }
    QFile in(scratch.fileName());
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = in.readAll();
    QSaveFile out(path());
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        return false;
    return out.commit();
}

int ProfileIndex::position(const QString &name) const
{
    for (int i = 0; i < profiles.size(); ++i) {
        if (profiles.at(i).name == name)
            return i;
    }
    return -1;
}

int ProfileIndex::positionOfFile(int file) const
{
    for (int i = 0; i < profiles.size(); ++i) {
        if (profiles.at(i).file == file)
            return i;
    }
    return -1;
}

QString ProfileIndex::nameOf(int file) const
{
    const int i = positionOfFile(file);
    return i < 0 ? QString() : profiles.at(i).name;
}

int ProfileIndex::nextFile() const
{
    int n = 0;
    for (const Entry &e : profiles)
        n = qMax(n, e.file + 1);
    // A file left behind by a deleted profile is not taken over with its old content.
    while (QFile::exists(DataPaths::profileFile(n)))
        ++n;
    return n;
}

QString ProfileIndex::uniqueName(const QString &base) const
{
    QString b = cleanName(base).left(MaxNameLength).trimmed();
    if (b.isEmpty())
        b = QStringLiteral("Profile");
    if (position(b) < 0)
        return b;
    for (int i = 2;; ++i) {
        const QString number = QStringLiteral(" %1").arg(i);
        const QString candidate = b.left(MaxNameLength - int(number.size())).trimmed() + number;
        if (position(candidate) < 0)
            return candidate;
    }
}

QString ProfileIndex::cleanName(const QString &raw)
{
    QString out = raw;
    for (QChar &c : out) {
        const QChar::Category k = c.category();
        if (k == QChar::Other_Control || k == QChar::Separator_Line || k == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    }
    return out.simplified();
}

QString ProfileIndex::checkedName(const QString &raw, QString *error)
{
    const QString name = cleanName(raw);
    QString why;
    if (name.isEmpty())
        why = QStringLiteral("A profile needs a name.");
    else if (name.size() > MaxNameLength)
        why = QStringLiteral("A profile name has at most %1 characters; this one has %2.").arg(MaxNameLength).arg(name.size());
    if (why.isEmpty())
        return name;
    if (error)
        *error = why;
    return {};
}

QString ProfileIndex::shown(const QString &text, int max)
{
    const QString t = cleanName(text);
    return t.size() <= max ? t : t.left(max - 1) + QChar(0x2026);
}

const QString &ProfileIndex::nameKey()
{
    static const QString key = QStringLiteral("profile/name");
    return key;
}

ProfileIndex ProfileIndex::fromProfileFiles(const QString &firstName)
{
    ProfileIndex index;
    const QDir dir(QFileInfo(path()).path());
    static const QRegularExpression pattern(QStringLiteral("^p(\\d{1,6})\\.bin$"));
    QList<int> files;
    for (const QString &f : dir.entryList({QStringLiteral("p*.bin")}, QDir::Files)) {
        const QRegularExpressionMatch m = pattern.match(f);
        if (m.hasMatch())
            files.append(m.captured(1).toInt());
    }
    std::sort(files.begin(), files.end());
    for (const int file : std::as_const(files)) {
        const QSettings s(DataPaths::profileFile(file), QSettings::IniFormat);
        QString name = cleanName(s.value(nameKey()).toString());
        if (name.isEmpty())
            name = file == 0 && !cleanName(firstName).isEmpty() ? firstName : QStringLiteral("Profile %1").arg(file);
        index.profiles.append({index.uniqueName(name), file});
        if (index.profiles.size() >= maxProfiles)
            break;
    }
    if (!index.profiles.isEmpty())
        index.active = index.positionOfFile(0) >= 0 ? 0 : index.profiles.first().file;
    return index;
}
