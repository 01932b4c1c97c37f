#include "profiles/profilemanager.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>

#include <functional>

#include "device/datapaths.h"
#include "model/filesnapshot.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "model/settingsio.h"
#include "profiles/profilesync.h"

namespace {
constexpr int keyCount = 16;
constexpr int firstNameText = 190;
const QString exchangeName = QStringLiteral("exchange/name");
const QString macrosArray = QStringLiteral("macros");

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

bool writeWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        return false;
    return out.commit();
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + ProfileIndex::shown(name) + QLatin1Char('"');
}

// Paths in messages: long enough to recognise, never the whole of a made-up one.
QString shownPath(const QString &path)
{
    return ProfileIndex::shown(QDir::toNativeSeparators(path), 200);
}

QString noProfile(const QString &name)
{
    return QStringLiteral("There is no profile %1.").arg(quoted(name));
}

bool inside(const QString &path, const QString &dir)
{
    const QString d = QFileInfo(dir).canonicalFilePath();
    return !d.isEmpty() && (path == d || path.startsWith(d + QLatin1Char('/')));
}

// Why `file` may not be written by an export; empty when it may.
QString exportTargetProblem(const QString &file, bool replace)
{
    if (file.trimmed().isEmpty())
        return QStringLiteral("No file was given to export to.");
    const QFileInfo info(file);
    if (info.isRelative())
        return QStringLiteral("%1 is not an absolute path; give the whole path of the file to write.").arg(shownPath(file));
    if (info.isDir())
        return QStringLiteral("%1 is a folder; give the name of the file to write.").arg(shownPath(file));
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return QStringLiteral("The folder %1 does not exist.").arg(shownPath(info.absolutePath()));
    // Through a link too: what would be replaced is the file it points to.
    const QString target = info.exists() ? info.canonicalFilePath() : folder + QLatin1Char('/') + info.fileName();
    for (const QString &own : {DataPaths::writableDir(), DataPaths::userConfigDir()}) {
        if (inside(target, own))
            return QStringLiteral("%1 is in the program's own folder %2; export to a file outside it.")
                .arg(shownPath(file), shownPath(QFileInfo(own).canonicalFilePath()));
    }
    if (info.exists() && !replace)
        return QStringLiteral("%1 exists already and is not replaced unless asked to.").arg(shownPath(file));
    return {};
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A scratch copy of `source` beside `target`, edited through QSettings by `edit`, then put in
// place of `target` whole.
template<typename Edit>
bool rewriteInto(const QString &source, const QString &target, Edit edit)
{
    QTemporaryFile scratch(target + QStringLiteral(".XXXXXX"));
    if (!scratch.open())
        return false;
    const QByteArray original = readAll(source);
    if (scratch.write(original) != original.size())
        return false;
    scratch.close();
    {
        QSettings s(scratch.fileName(), QSettings::IniFormat);
        if (!edit(s))
            return false;
        s.sync();
        if (s.status() == QSettings::AccessError)
            return false;
    }
    return writeWhole(target, readAll(scratch.fileName()));
}

// Buttons bound to macro old[i] are bound to mapped[i]; a macro index the map lacks disables
// the button (it would otherwise run whichever macro holds that place in the store).
void rebindMacros(QSettings &s, const std::function<int(int)> &map)
{
    for (int i = 0; i < keyCount; ++i) {
        KeyFunction k;
        if (!SettingsIo::readKeyCode(s, i, &k) || k.kind != 2)
            continue;
        const int to = map(k.param1);
        if (to == k.param1)
            continue;
        if (to < 0 || to > 255) {
            k = KeyFunction();
            k.label = MouseData::instance()->functionText(0, 0, 0, 0);
        } else
            k.param1 = uchar(to);
        s.setValue(QStringLiteral("mouseKeyMatrix/%1").arg(i), SettingsIo::keyCodeList(k));
    }
}
} // namespace

ProfileManager *ProfileManager::instance()
{
    static ProfileManager *self = new ProfileManager;
    return self;
}

void ProfileManager::load()
{
    m_notice.clear();
    QString firstName = MouseData::instance()->languageText(firstNameText).trimmed();
    if (firstName.isEmpty())
        firstName = QStringLiteral("Profile 1");
    if (!m_index.load()) {
        const QString path = ProfileIndex::path();
        if (QFile::exists(path))
            m_index = ProfileIndex::fromProfileFiles(firstName);
        if (!m_index.profiles.isEmpty()) {
            // Kept aside, not overwritten: it may hold what the rebuilt list cannot (rules).
            const QString base = path + QStringLiteral(".damaged-")
                                 + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
            QString aside = base;
            for (int i = 2; QFile::exists(aside); ++i)
                aside = base + QStringLiteral("-%1").arg(i);
            // Not under a running program (mousecfg-cli profile list): it repairs it itself.
            const bool running = claimedElsewhere();
            bool kept = !running && QFile::rename(path, aside);
            // Without a new index the next start would not rebuild again: the old one goes back.
            if (kept && !m_index.save())
                kept = !QFile::rename(aside, path);
            m_notice = QStringLiteral("The profile list %1 could not be read. It was rebuilt from the %2 profile "
                                      "file(s) found; the rules of automatic switching have to be set again.%3")
                           .arg(shownPath(path))
                           .arg(m_index.profiles.size())
                           .arg(kept ? QStringLiteral(" The damaged list is kept as %1.").arg(shownPath(aside))
                           : running ? QStringLiteral(" The damaged list is left as it is while the program runs.")
                                     : QStringLiteral(" The damaged list could not be moved aside and is "
                                                      "replaced at the next change."));
        } else {
            m_index.profiles = {{firstName, 0}};
            m_index.active = 0;
            // Written once a second profile or a rule needs it; p0.bin alone stays as it was.
        }
    }
    MouseData *md = MouseData::instance();
    md->profileNumber = m_index.active;
    md->saver()->setFileName(QFileInfo(DataPaths::profileFile(m_index.active)).fileName());
}

QStringList ProfileManager::names() const
{
    QStringList out;
    for (const ProfileIndex::Entry &e : m_index.profiles)
        out << e.name;
    return out;
}

QString ProfileManager::activeName() const
{
    return m_index.nameOf(m_index.active);
}

bool ProfileManager::recordName(int file, const QString &name)
{
    // So that a list rebuilt from the files after a damaged index knows the profile again.
    QSettings s(DataPaths::profileFile(file), QSettings::IniFormat);
    s.setValue(ProfileIndex::nameKey(), name);
    return SettingsIo::commit(s);
}

bool ProfileManager::saveIndex(QString *error)
{
    if (!m_index.save())
        return fail(error, QStringLiteral("The profile list could not be written."));
    return true;
}

bool ProfileManager::saveActiveProfile(QString *error)
{
    if (!MouseData::instance()->saveActive())
        return fail(error, QStringLiteral("The active profile could not be written."));
    return true;
}

bool ProfileManager::activate(const QString &name, QString *error)
{
    const int pos = m_index.position(name);
    if (pos < 0)
        return fail(error, noProfile(name));
    const int file = m_index.profiles.at(pos).file;
    if (file == m_index.active)
        return true;
    // One change for the savers: the profile left is written now (only when it holds unsaved
    // edits, which the save scheduler writes within a second anyway), the new one counts as
    // saved. Its edits are kept before anything else happens.
    if (!saveActiveProfile(error))
        return false;
    MouseData::instance()->loadProfile(file);
    ProfileSync::instance()->sync();
    // Switched either way; a failed index write only means the next start opens the old one.
    m_index.active = file;
    const bool indexed = saveIndex(error);
    emit activeChanged(name);
    return indexed;
}

QString ProfileManager::create(const QString &name, bool fromFactory, QString *error)
{
    const QString given = ProfileIndex::checkedName(name, error);
    if (given.isEmpty())
        return {};
    if (m_index.position(given) >= 0) {
        fail(error, QStringLiteral("A profile %1 exists already.").arg(quoted(given)));
        return {};
    }
    QString source = DataPaths::defaultsFile();
    if (!fromFactory) {
        if (!saveActiveProfile(error))
            return {};
        source = DataPaths::profileFile(m_index.active);
    }
    const int file = m_index.nextFile();
    if (!writeWhole(DataPaths::profileFile(file), readAll(source)) || !recordName(file, given)) {
        fail(error, QStringLiteral("The profile file could not be written."));
        return {};
    }
    m_index.profiles.append({given, file});
    if (!saveIndex(error)) {
        m_index.profiles.removeLast();
        QFile::remove(DataPaths::profileFile(file));
        return {};
    }
    emit listChanged();
    return given;
}

QString ProfileManager::duplicate(const QString &name, QString *error)
{
    const int pos = m_index.position(name);
    if (pos < 0) {
        fail(error, noProfile(name));
        return {};
    }
    const int from = m_index.profiles.at(pos).file;
    if (from == m_index.active && !saveActiveProfile(error))
        return {};
    const int file = m_index.nextFile();
    const QString given = m_index.uniqueName(name);
    if (!writeWhole(DataPaths::profileFile(file), readAll(DataPaths::profileFile(from))) || !recordName(file, given)) {
        fail(error, QStringLiteral("The profile file could not be written."));
        return {};
    }
    m_index.profiles.insert(pos + 1, {given, file});
    if (!saveIndex(error)) {
        m_index.profiles.removeAt(pos + 1);
        QFile::remove(DataPaths::profileFile(file));
        return {};
    }
    emit listChanged();
    return given;
}

bool ProfileManager::rename(const QString &from, const QString &to, QString *error)
{
    const int pos = m_index.position(from);
    if (pos < 0)
        return fail(error, noProfile(from));
    const QString name = ProfileIndex::checkedName(to, error);
    if (name.isEmpty())
        return false;
    if (name == from)
        return true;
    if (m_index.position(name) >= 0)
        return fail(error, QStringLiteral("A profile %1 exists already.").arg(quoted(name)));
    m_index.profiles[pos].name = name;
    if (!saveIndex(error)) {
        m_index.profiles[pos].name = from;
        return false;
    }
    recordName(m_index.profiles.at(pos).file, name);
    // The same profile stays active: a new name is a change of the list, not a switch.
    emit listChanged();
    return true;
}

bool ProfileManager::remove(const QString &name, QString *error)
{
    const int pos = m_index.position(name);
    if (pos < 0)
        return fail(error, noProfile(name));
    if (m_index.profiles.size() == 1)
        return fail(error, QStringLiteral("The last profile cannot be deleted."));
    const int file = m_index.profiles.at(pos).file;
    if (file == m_index.active) {
        const int next = pos + 1 < m_index.profiles.size() ? pos + 1 : pos - 1;
        if (!activate(m_index.profiles.at(next).name, error))
            return false;
    }
    const ProfileIndex before = m_index;
    m_index.profiles.removeAt(pos);
    for (int i = int(m_index.rules.size()) - 1; i >= 0; --i) {
        if (m_index.rules.at(i).file == file)
            m_index.rules.removeAt(i);
    }
    if (m_index.defaultFile == file)
        m_index.defaultFile = -1;
    if (!saveIndex(error)) {
        m_index = before;
        return false;
    }
    QFile::remove(DataPaths::profileFile(file));
    emit listChanged();
    return true;
}

bool ProfileManager::exportProfile(const QString &name, const QString &file, bool replace, QString *error)
{
    const int pos = m_index.position(name);
    if (pos < 0)
        return fail(error, noProfile(name));
    if (const QString why = exportTargetProblem(file, replace); !why.isEmpty())
        return fail(error, why);
    const int from = m_index.profiles.at(pos).file;
    if (from == m_index.active && !saveActiveProfile(error))
        return false;
    const MacroData *macros = MacroData::instance();
    const bool ok = rewriteInto(DataPaths::profileFile(from), file, [&](QSettings &s) {
        s.setValue(exchangeName, name);
        s.remove(ProfileIndex::nameKey());
        QList<int> bound;
        for (int i = 0; i < keyCount; ++i) {
            KeyFunction k;
            if (SettingsIo::readKeyCode(s, i, &k) && k.kind == 2 && k.param1 < macros->macroNames().size()
                && !bound.contains(k.param1))
                bound.append(k.param1);
        }
        s.beginWriteArray(macrosArray, int(bound.size()));
        for (int i = 0; i < bound.size(); ++i) {
            s.setArrayIndex(i);
            s.setValue(QStringLiteral("index"), bound.at(i));
            s.setValue(QStringLiteral("name"), macros->macroNames().at(bound.at(i)));
            s.setValue(QStringLiteral("actions"), macros->macroActions().value(bound.at(i)));
        }
        s.endArray();
        return true;
    });
    return ok || fail(error, QStringLiteral("%1 could not be written.").arg(shownPath(file)));
}

QString ProfileManager::importProfile(const QString &file, QString *error)
{
    const auto refused = [error](const QString &why) {
        fail(error, why);
        return QString();
    };
    const QFileInfo info(file);
    const QString shown = shownPath(file);
    if (file.trimmed().isEmpty())
        return refused(QStringLiteral("No file was given to import."));
    if (!info.exists())
        return refused(QStringLiteral("%1 does not exist.").arg(shown));
    if (info.isDir())
        return refused(QStringLiteral("%1 is a folder, not a profile file.").arg(shown));
    // Read whole by the settings parser: a large file of anything would be held in memory.
    if (info.size() > MaxProfileFileBytes)
        return refused(QStringLiteral("%1 is not a profile file: it is %2 large, a profile file at most %3.")
                           .arg(shown, QLocale::c().formattedDataSize(info.size()),
                                QLocale::c().formattedDataSize(MaxProfileFileBytes)));
    const FileSnapshot snapshot(file);
    if (!snapshot.isValid())
        return refused(snapshot.wasRead() ? QStringLiteral("%1 was not imported: no copy of it could be written in %2.")
                                                .arg(shown, shownPath(FileSnapshot::folder()))
                                          : QStringLiteral("%1 cannot be read.").arg(shown));
    QString name;
    QList<QPair<int, QPair<QString, QString>>> carried;   // old index, (name, actions)
    {
        QSettings in(snapshot.path(), QSettings::IniFormat);
        if (in.status() != QSettings::NoError || !in.childGroups().contains(QStringLiteral("mouse"))
            || !in.childGroups().contains(QStringLiteral("mouseKeyMatrix")))
            return refused(QStringLiteral("%1 is not a profile file: it lacks the [mouse] or [mouseKeyMatrix] section.").arg(shown));
        // A file cut off on its way lacks its last keys; taken as it is, buttons would be lost.
        QStringList missing;
        for (const char *key : {"mouse/reportRate", "mouse/dpiCount", "mouse/lightValue", "mouse/colorValue"}) {
            if (!in.contains(QLatin1String(key)))
                missing << QLatin1String(key);
        }
        for (int i = 0; i < keyCount; ++i) {
            KeyFunction k;
            if (!SettingsIo::readKeyCode(in, i, &k))
                missing << QStringLiteral("mouseKeyMatrix/%1").arg(i);
        }
        if (!missing.isEmpty())
            return refused(QStringLiteral("%1 is incomplete (cut off?): it lacks %2.").arg(shown, missing.join(QStringLiteral(", "))));
        name = SettingsIo::readText(in, exchangeName);
        const int n = in.beginReadArray(macrosArray);
        for (int i = 0; i < n && i < MacroData::MaxMacros; ++i) {
            in.setArrayIndex(i);
            bool ok = false;
            const int index = in.value(QStringLiteral("index")).toInt(&ok);
            QString macroName = SettingsIo::readText(in, QStringLiteral("name")).trimmed();
            const QString actions = SettingsIo::readText(in, QStringLiteral("actions"));
            if (!ok || macroName.isEmpty())
                continue;
            // The store joins names with "@#": a name holding it would come back as two.
            macroName.replace(QStringLiteral("@#"), QStringLiteral("@ #"));
            carried.append({index, {macroName, actions}});
        }
        in.endArray();
        for (int i = 0; i < keyCount; ++i) {
            KeyFunction k;
            if (!SettingsIo::readKeyCode(in, i, &k) || k.kind != 2)
                continue;
            bool held = false;
            for (const auto &m : std::as_const(carried))
                held = held || m.first == k.param1;
            if (!held)
                return refused(QStringLiteral("%1 is incomplete: key %2 is bound to macro %3, which the file does not hold.")
                                   .arg(shown).arg(i + 1).arg(k.param1));
        }
    }
    name = m_index.uniqueName(name.trimmed().isEmpty() ? info.completeBaseName() : name);

    // The same macro imported again is the one the store holds already; a new one goes at the
    // end, and only where a button can reach it.
    MacroData *macros = MacroData::instance();
    QStringList names = macros->macroNames();
    QStringList actions = macros->macroActions();
    while (actions.size() < names.size())
        actions.append(QString());
    actions = actions.mid(0, names.size());
    QHash<int, int> map;
    QStringList homeless;
    for (const auto &m : std::as_const(carried)) {
        int at = -1;
        for (int j = 0; j < names.size() && j < MacroData::MaxMacros && at < 0; ++j) {
            if (names.at(j) == m.second.first && actions.at(j) == m.second.second)
                at = j;
        }
        if (at < 0 && names.size() < MacroData::MaxMacros) {
            at = int(names.size());
            names.append(m.second.first);
            actions.append(m.second.second);
        }
        if (at < 0)
            homeless << QLatin1Char('"') + ProfileIndex::shown(m.second.first) + QLatin1Char('"');
        map.insert(m.first, at);
    }
    if (!homeless.isEmpty())
        return refused(QStringLiteral("%1 was not imported: the macro store is full (%2 macros, the most a button can be "
                                      "bound to), so there is no place for macro %3. Delete macros you no longer need first.")
                           .arg(shown).arg(MacroData::MaxMacros).arg(homeless.join(QStringLiteral(", "))));
    if (names.size() > macros->macroNames().size()) {
        macros->macroActions() = actions;
        macros->setMacroNames(names);
        if (!macros->save())
            return refused(QStringLiteral("The macro store could not be written."));
        emit macrosImported();
    }

    const int target = m_index.nextFile();
    const bool ok = rewriteInto(snapshot.path(), DataPaths::profileFile(target), [&](QSettings &s) {
        s.remove(QStringLiteral("exchange"));
        s.remove(macrosArray);
        s.setValue(ProfileIndex::nameKey(), name);
        rebindMacros(s, [&map](int old) { return map.value(old, -1); });
        return true;
    });
    if (!ok)
        return refused(QStringLiteral("The profile file could not be written."));
    m_index.profiles.append({name, target});
    if (!saveIndex(error)) {
        m_index.profiles.removeLast();
        QFile::remove(DataPaths::profileFile(target));
        return {};
    }
    emit listChanged();
    return name;
}

bool ProfileManager::setRules(const QList<ProfileIndex::Rule> &rules, int defaultFile, QString *error)
{
    const ProfileIndex before = m_index;
    m_index.rules.clear();
    for (const ProfileIndex::Rule &r : rules) {
        if (!r.program.trimmed().isEmpty() && m_index.positionOfFile(r.file) >= 0)
            m_index.rules.append({r.program.trimmed(), r.file});
    }
    m_index.defaultFile = m_index.positionOfFile(defaultFile) >= 0 ? defaultFile : -1;
    if (!saveIndex(error)) {
        m_index = before;
        return false;
    }
    emit listChanged();
    return true;
}

namespace {
QString claimPath()
{
    return QFileInfo(ProfileIndex::path()).path() + QStringLiteral("/profiles.running");
}
} // namespace

bool ProfileManager::claim()
{
    QDir().mkpath(QFileInfo(claimPath()).path());
    m_claim = std::make_unique<QLockFile>(claimPath());
    // A lock of a program that died is stale at once; a live one is never stale by age.
    m_claim->setStaleLockTime(0);
    if (!m_claim->tryLock(0))
        m_claim.reset();
    return m_claim != nullptr;
}

void ProfileManager::release()
{
    m_claim.reset();
}

bool ProfileManager::claimedElsewhere()
{
    QLockFile probe(claimPath());
    probe.setStaleLockTime(0);
    return !probe.tryLock(0) && probe.error() == QLockFile::LockFailedError;
}

void ProfileManager::macroDeleted(int deleted)
{
    for (const ProfileIndex::Entry &e : std::as_const(m_index.profiles)) {
        if (e.file == m_index.active)
            continue;   // the model's copy is rebound by the macro page and saved with it
        QSettings s(DataPaths::profileFile(e.file), QSettings::IniFormat);
        rebindMacros(s, [deleted](int old) {
            return old == 255 ? 255 : old == deleted ? -1 : old > deleted ? old - 1 : old;
        });
        SettingsIo::commit(s);
    }
}
