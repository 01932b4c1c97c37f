#include "profiles/profilemanager.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>

#include <functional>

#include "device/datapaths.h"
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
    if (!m_index.load()) {
        QString name = MouseData::instance()->languageText(firstNameText).trimmed();
        if (name.isEmpty())
            name = QStringLiteral("Profile 1");
        m_index.profiles = {{name, 0}};
        m_index.active = 0;
        // Written once a second profile or a rule needs it; p0.bin alone stays as it was.
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
        return fail(error, QStringLiteral("There is no profile \"%1\".").arg(name));
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
    QString source = DataPaths::defaultsFile();
    if (!fromFactory) {
        if (!saveActiveProfile(error))
            return {};
        source = DataPaths::profileFile(m_index.active);
    }
    const int file = m_index.nextFile();
    const QString given = m_index.uniqueName(name);
    if (!writeWhole(DataPaths::profileFile(file), readAll(source))) {
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
        fail(error, QStringLiteral("There is no profile \"%1\".").arg(name));
        return {};
    }
    const int from = m_index.profiles.at(pos).file;
    if (from == m_index.active && !saveActiveProfile(error))
        return {};
    const int file = m_index.nextFile();
    const QString given = m_index.uniqueName(name);
    if (!writeWhole(DataPaths::profileFile(file), readAll(DataPaths::profileFile(from)))) {
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
    const QString name = to.trimmed();
    if (pos < 0)
        return fail(error, QStringLiteral("There is no profile \"%1\".").arg(from));
    if (name.isEmpty())
        return fail(error, QStringLiteral("A profile needs a name."));
    if (name == from)
        return true;
    if (m_index.position(name) >= 0)
        return fail(error, QStringLiteral("A profile \"%1\" exists already.").arg(name));
    m_index.profiles[pos].name = name;
    if (!saveIndex(error)) {
        m_index.profiles[pos].name = from;
        return false;
    }
    emit listChanged();
    if (m_index.profiles.at(pos).file == m_index.active)
        emit activeChanged(name);
    return true;
}

bool ProfileManager::remove(const QString &name, QString *error)
{
    const int pos = m_index.position(name);
    if (pos < 0)
        return fail(error, QStringLiteral("There is no profile \"%1\".").arg(name));
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

bool ProfileManager::exportProfile(const QString &name, const QString &file, QString *error)
{
    const int pos = m_index.position(name);
    if (pos < 0)
        return fail(error, QStringLiteral("There is no profile \"%1\".").arg(name));
    const int from = m_index.profiles.at(pos).file;
    if (from == m_index.active && !saveActiveProfile(error))
        return false;
    const MacroData *macros = MacroData::instance();
    const bool ok = rewriteInto(DataPaths::profileFile(from), file, [&](QSettings &s) {
        s.setValue(exchangeName, name);
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
    return ok || fail(error, QStringLiteral("%1 could not be written.").arg(file));
}

QString ProfileManager::importProfile(const QString &file, QString *error)
{
    if (!QFile::exists(file)) {
        fail(error, QStringLiteral("%1 does not exist.").arg(file));
        return {};
    }
    QString name;
    QList<QPair<int, QPair<QString, QString>>> carried;   // old index, (name, actions)
    {
        QSettings in(file, QSettings::IniFormat);
        const QStringList groups = in.childGroups();
        if (in.status() != QSettings::NoError
            || (!groups.contains(QStringLiteral("mouse")) && !groups.contains(QStringLiteral("mouseKeyMatrix")))) {
            fail(error, QStringLiteral("%1 is not a profile file.").arg(file));
            return {};
        }
        name = SettingsIo::readText(in, exchangeName).trimmed();
        const int n = in.beginReadArray(macrosArray);
        for (int i = 0; i < n && i < 256; ++i) {
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
    }
    if (name.isEmpty())
        name = QFileInfo(file).completeBaseName();
    name = m_index.uniqueName(name);

    MacroData *macros = MacroData::instance();
    QHash<int, int> map;
    if (!carried.isEmpty()) {
        QStringList names = macros->macroNames();
        QStringList &actions = macros->macroActions();
        while (actions.size() < names.size())
            actions.append(QString());
        for (const auto &m : carried) {
            map.insert(m.first, int(names.size()));
            names.append(m.second.first);
            actions.append(m.second.second);
        }
        actions = actions.mid(0, names.size());
        macros->setMacroNames(names);
        if (!macros->save()) {
            fail(error, QStringLiteral("The macro store could not be written."));
            return {};
        }
        emit macrosImported();
    }

    const int target = m_index.nextFile();
    const bool ok = rewriteInto(file, DataPaths::profileFile(target), [&](QSettings &s) {
        s.remove(QStringLiteral("exchange"));
        s.remove(macrosArray);
        rebindMacros(s, [&map](int old) { return map.value(old, -1); });
        return true;
    });
    if (!ok) {
        fail(error, QStringLiteral("The profile file could not be written."));
        return {};
    }
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
