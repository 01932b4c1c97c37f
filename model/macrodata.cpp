#include "model/macrodata.h"

#include <QFile>
#include <QLockFile>
#include <QSettings>

#include "device/controller.h"
#include "device/datapaths.h"
#include "device/ic.h"
#include "model/settingsio.h"

namespace {
const QString separator = QStringLiteral("@#");
const QString fieldSeparator = QStringLiteral("_-");
const QString namesKey = QStringLiteral("macro/macroName");

QString actionKey(int i)
{
    return QStringLiteral("action/%1").arg(i);
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
    return saveLocked(true) == SaveScheduler::Result::Saved;
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
    const bool same = diskNames == m_macroNames
                      && diskActions.mid(0, m_macroActions.size()) == m_macroActions
                      && QFile::exists(DataPaths::macroStore());
    if (same)
        return SaveScheduler::Result::Saved;

    // Asked before any value is set: a settings object with pending values writes them when
    // it goes away, waiting for the lock as long as it takes.
    if (!wait && !SettingsIo::lockIsFree(DataPaths::macroStore()))
        return SaveScheduler::Result::Busy;
    QSettings s(DataPaths::macroStore(), QSettings::IniFormat);
    s.setValue(namesKey, m_macroNames.join(separator));
    for (int i = 0; i < m_macroActions.size(); ++i)
        s.setValue(actionKey(i), m_macroActions.at(i));
    const SaveScheduler::Result result =
        SettingsIo::commit(s) ? SaveScheduler::Result::Saved : SaveScheduler::Result::Failed;
    if (result == SaveScheduler::Result::Saved) {
        m_baseNames = m_macroNames;
        // Keys beyond the count stay in the file (see the store's rules).
        m_baseActions = m_macroActions + diskActions.mid(m_macroActions.size());
    }
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

int MacroData::importMacros(const QString &file, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return -1;
    };
    if (!QFile::exists(file))
        return fail(QStringLiteral("The file does not exist."));
    // Held from the read to the write, so that a running program cannot interleave a save.
    QLockFile writer(writerLockFile());
    if (!writer.tryLock(ImportLockWaitMs) && writer.error() == QLockFile::LockFailedError)
        return fail(QStringLiteral("The macro store is busy; try again."));
    if (writeMerged(true) != SaveScheduler::Result::Saved)
        return fail(QStringLiteral("The macro store could not be written."));
    int imported = 0;
    {
        const QSettings in(file, QSettings::IniFormat);
        if (in.status() != QSettings::NoError)
            return fail(QStringLiteral("The file is not a macro file."));
        const QString importNames = SettingsIo::readText(in, namesKey);
        if (importNames.isEmpty())
            return fail(QStringLiteral("The file holds no macro."));

        QSettings store(DataPaths::macroStore(), QSettings::IniFormat);
        const QString storeNames = SettingsIo::readText(store, namesKey);
        int offset = 0;
        if (storeNames.isEmpty()) {
            store.setValue(namesKey, importNames);
        } else {
            store.setValue(namesKey, storeNames + separator + importNames);
            offset = int(storeNames.split(separator).size());
        }
        imported = int(importNames.split(separator).size());
        for (int i = 0; i < imported; ++i)
            store.setValue(actionKey(offset + i), SettingsIo::readText(in, actionKey(i)));
        if (!SettingsIo::commit(store))
            return fail(QStringLiteral("The macro store could not be written."));
    }
    load();
    setMacroNames(m_macroNames);
    return imported;
}
