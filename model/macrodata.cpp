#include "model/macrodata.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>

#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "model/filesnapshot.h"
#include "model/mousedata.h"
#include "model/settingsio.h"

namespace {
const QString separator = QStringLiteral("@#");
const QString fieldSeparator = QStringLiteral("_-");
const QString namesKey = QStringLiteral("macro/macroName");

QString actionKey(int i)
{
    return QStringLiteral("action/%1").arg(i);
}

QString languageText(int n, const char *english)
{
    const QString t = MouseData::instance()->languageText(n);
    return t.isEmpty() ? QString::fromUtf8(english) : t;
}

// Lines of an INI file that Qt's reader skips or misreads: a section header without "]", and
// lines that are neither blank, comments, sections nor key=value.
QStringList unreadableLines(const QString &file)
{
    QFile f(file);
    QStringList out;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        const bool section = line.startsWith(QLatin1Char('['));
        if ((section && !line.endsWith(QLatin1Char(']'))) || (!section && !line.contains(QLatin1Char('='))))
            out.append(languageText(139, "line %1 '%2'").arg(i + 1).arg(line.left(40)));
    }
    return out;
}

constexpr int ExitLockWaitMs = 2000;
constexpr int ImportLockWaitMs = 10000;

void readStore(QStringList *names, QStringList *actions)
{
    QSettings s(DataPaths::macroStore(), QSettings::IniFormat);
    names->clear();
    actions->clear();
    const QString joined = SettingsIo::readText(s, namesKey);
    if (!joined.isEmpty())
        *names = joined.split(separator);
    s.beginGroup(QStringLiteral("action"));
    const int n = int(s.childKeys().size());
    s.endGroup();
    for (int i = 0; i < n; ++i)
        actions->append(SettingsIo::readText(s, actionKey(i)));
}
} // namespace

bool MacroData::playable(const QString &actions, QString *bad)
{
    if (actions.isEmpty())
        return true;
    static const QStringList mouse{QStringLiteral("MS-L"), QStringLiteral("MS-R"), QStringLiteral("MS-M"),
                                   QStringLiteral("MS-B4"), QStringLiteral("MS-B5")};
    const QStringList items = actions.split(separator);
    const auto refuse = [bad](const QString &item) {
        if (bad)
            *bad = item;
        return false;
    };
    bool ok = false;
    const int loops = items.at(0).trimmed().toInt(&ok);
    if (!ok || loops < 0 || loops > 65535)
        return refuse(items.at(0));
    for (int i = 1; i < items.size(); ++i) {
        const QStringList parts = items.at(i).split(fieldSeparator);
        if (parts.size() != 2)
            return refuse(items.at(i));
        const QString &kind = parts.at(1);
        if (kind == QLatin1String("2")) {
            const int ms = parts.at(0).trimmed().toInt(&ok);
            if (!ok || ms < 0 || ms > 65535)
                return refuse(items.at(i));
        } else if (kind == QLatin1String("0") || kind == QLatin1String("1")) {
            if (!mouse.contains(parts.at(0)) && MouseData::instance()->keyCode(parts.at(0)) == 0)
                return refuse(items.at(i));
        } else {
            return refuse(items.at(i));
        }
    }
    return true;
}

MacroData::MacroData()
    : m_saver(new SaveScheduler(QStringLiteral("macro.bin"), [this] { return saveLocked(false); }, this))
{
}

QString MacroData::writerLockFile()
{
    return DataPaths::macroStore() + QStringLiteral(".writer.lock");
}

void MacroData::markChanged()
{
    m_saver->markDirty();
}

MacroData *MacroData::instance()
{
    static MacroData *self = new MacroData;
    return self;
}

void MacroData::load()
{
    readStore(&m_macroNames, &m_macroActions);
    m_baseNames = m_macroNames;
    m_baseActions = m_macroActions;
}

bool MacroData::save()
{
    const SaveScheduler::Result result = saveLocked(true);
    return result == SaveScheduler::Result::Saved || result == SaveScheduler::Result::Unchanged;
}

void MacroData::mergeFromDisk(const QStringList &names, const QStringList &actions)
{
    if (names == m_baseNames && actions == m_baseActions)
        return;
    // Buttons refer to macros by index, so the ones this program holds keep theirs; what the
    // other writer appended goes after them.
    bool added = false;
    for (int i = int(m_baseNames.size()); i < names.size(); ++i) {
        const int index = int(m_macroNames.size());
        m_macroNames.append(names.at(i));
        while (m_macroActions.size() < index)
            m_macroActions.append(QString());
        if (m_macroActions.size() == index)
            m_macroActions.append(actions.value(i));
        else
            m_macroActions[index] = actions.value(i);
        added = true;
    }
    if (added)
        emit macroNameChanged();
}

SaveScheduler::Result MacroData::saveLocked(bool wait)
{
    QLockFile writer(writerLockFile());
    if (!writer.tryLock(wait ? ExitLockWaitMs : 0)) {
        // No directory yet (or none writable): the write itself creates it or reports it.
        if (writer.error() == QLockFile::LockFailedError)
            return SaveScheduler::Result::Busy;
    }
    return writeMerged(wait);
}

SaveScheduler::Result MacroData::writeMerged(bool wait)
{
    QStringList diskNames, diskActions;
    readStore(&diskNames, &diskActions);
    mergeFromDisk(diskNames, diskActions);
    m_baseNames = diskNames;
    m_baseActions = diskActions;
    // After a failed write the file read back is Qt's unwritten copy, not the disk's.
    const bool same = !m_writeFailed && diskNames == m_macroNames
                      && diskActions.mid(0, m_macroActions.size()) == m_macroActions
                      && QFile::exists(DataPaths::macroStore());
    if (same)
        return SaveScheduler::Result::Unchanged;

    // Asked before any value is set: a settings object with pending values writes them when
    // it goes away, waiting for the lock as long as it takes.
    if (!wait && !SettingsIo::lockIsFree(DataPaths::macroStore()))
        return SaveScheduler::Result::Busy;
    QSettings s(DataPaths::macroStore(), QSettings::IniFormat);
    s.setValue(namesKey, m_macroNames.join(separator));
    for (int i = 0; i < m_macroActions.size(); ++i)
        s.setValue(actionKey(i), m_macroActions.at(i));
    m_writeFailed = !SettingsIo::commit(s);
    const SaveScheduler::Result result = m_writeFailed ? SaveScheduler::Result::Failed : SaveScheduler::Result::Saved;
    // Even when the write failed: Qt keeps the values it could not write, shows them to every
    // later read of the file as if they were in it, and writes them at its next chance. They
    // are this program's own and must not come back from the next merge as another writer's.
    m_baseNames = m_macroNames;
    // Keys beyond the count stay in the file (see the store's rules).
    m_baseActions = m_macroActions + diskActions.mid(m_macroActions.size());
    return result;
}

void MacroData::setMacroNames(const QStringList &list)
{
    m_macroNames = list;
    markChanged();
    emit macroNameChanged();
}

QString MacroData::deviceForm(const QString &actions)
{
    const QStringList items = actions.split(separator);
    if (items.size() < 2)
        return {};
    int i = 1;
    // Pauses before the first press or release have nothing to follow.
    for (; i < items.size(); ++i) {
        const QStringList parts = items.at(i).split(fieldSeparator);
        if (parts.size() != 2)
            return {};
        if (parts.at(1) != QLatin1String("2"))
            break;
    }
    QStringList out;
    for (; i < items.size(); ++i) {
        const QStringList parts = items.at(i).split(fieldSeparator);
        if (parts.size() != 2)
            return {};
        if (parts.at(1) != QLatin1String("2")) {
            out.append(items.at(i) + fieldSeparator + QLatin1Char('0'));
            continue;
        }
        const QStringList last = out.last().split(fieldSeparator);
        if (last.size() != 3)
            return {};
        // Consecutive pauses add up; in 64 bits, so that long ones cannot overflow.
        const qint64 total = last.at(2).toLongLong() + parts.at(0).toInt();
        out.last() = last.at(0) + fieldSeparator + last.at(1) + fieldSeparator + QString::number(total);
    }
    QString form = items.at(0);
    for (const QString &entry : out)
        form += separator + entry;
    return form;
}

void MacroData::sendMacro(int macroIndex, int buttonIndex)
{
    if (macroIndex < 0 || macroIndex >= m_macroActions.size())
        return;
    const QString form = deviceForm(m_macroActions.at(macroIndex));
    if (form.isEmpty())
        return;
    if (Ic *chip = Controller::instance()->currentIc())
        chip->setMacro(uchar(buttonIndex), form);
}

bool MacroData::exportMacro(int index, const QString &file)
{
    if (index < 0 || index >= m_macroNames.size() || file.isEmpty())
        return false;
    save();
    if (QFile::exists(file) && !QFile::remove(file))
        return false;
    QSettings out(file, QSettings::IniFormat);
    out.setValue(namesKey, m_macroNames.at(index));
    out.setValue(actionKey(0), m_macroActions.value(index));
    return SettingsIo::commit(out);
}

int MacroData::importMacros(const QString &file, QString *error, QStringList *skipped)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return -1;
    };
    if (skipped)
        skipped->clear();
    const QFileInfo info(file);
    if (!info.exists())
        return fail(languageText(141, "the file does not exist"));
    if (!info.isReadable())
        return fail(languageText(136, "the file cannot be read"));
    // Held from the read to the write, so that a running program cannot interleave a save.
    QLockFile writer(writerLockFile());
    if (!writer.tryLock(ImportLockWaitMs) && writer.error() == QLockFile::LockFailedError)
        return fail(QStringLiteral("The macro store is busy; try again."));
    if (const auto r = writeMerged(true); r != SaveScheduler::Result::Saved && r != SaveScheduler::Result::Unchanged)
        return fail(languageText(140, "the macro list could not be written"));
    const FileSnapshot snapshot(file);
    if (!snapshot.isValid())
        return fail(snapshot.wasRead() ? QStringLiteral("no copy of the file could be written in %1").arg(FileSnapshot::folder())
                                       : languageText(136, "the file cannot be read"));
    int imported = 0;
    {
        const QSettings in(snapshot.path(), QSettings::IniFormat);
        const QString importNames = SettingsIo::readText(in, namesKey);
        if (importNames.isEmpty())
            return fail(in.status() != QSettings::NoError ? languageText(136, "the file cannot be read")
                                                          : languageText(137, "the file holds no macro"));
        const QStringList names = importNames.split(separator);
        imported = int(names.size());
        // A macro that cannot be played would send nothing, or a key that is never released.
        for (int i = 0; i < imported; ++i) {
            QString bad;
            if (!playable(SettingsIo::readText(in, actionKey(i)), &bad))
                return fail(languageText(138, "macro '%1' has an action that cannot be played: '%2'")
                                .arg(names.at(i), bad.left(40)));
        }
        if (in.status() != QSettings::NoError && skipped)
            *skipped = unreadableLines(snapshot.path());

        QSettings store(DataPaths::macroStore(), QSettings::IniFormat);
        const QString storeNames = SettingsIo::readText(store, namesKey);
        if ((storeNames.isEmpty() ? 0 : storeNames.split(separator).size()) + imported > MaxMacros)
            return fail(languageText(222, "The macro list is full: a button can be bound to %1 macros at most.")
                            .arg(MaxMacros));
        int offset = 0;
        if (storeNames.isEmpty()) {
            store.setValue(namesKey, importNames);
        } else {
            store.setValue(namesKey, storeNames + separator + importNames);
            offset = int(storeNames.split(separator).size());
        }
        for (int i = 0; i < imported; ++i)
            store.setValue(actionKey(offset + i), SettingsIo::readText(in, actionKey(i)));
        if (!SettingsIo::commit(store))
            return fail(languageText(140, "the macro list could not be written"));
    }
    load();
    setMacroNames(m_macroNames);
    return imported;
}
