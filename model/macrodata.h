#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "model/savescheduler.h"

// The user's macros: names and, at the same index, their action strings.
class MacroData : public QObject
{
    Q_OBJECT
public:
    // A button names its macro in one byte: macros beyond these could never be bound.
    static constexpr int MaxMacros = 256;

    static MacroData *instance();

    virtual void load();
    // Returns false when the store could not be written; the old file is then left as it was.
    // Merges first what another writer (mousecfg-cli import) added since this program last
    // read or wrote the store: macros beyond the ones it knew are appended to this program's
    // list; for every macro it knew, this program's version wins. Writes nothing when the
    // store on disk already holds what memory holds.
    virtual bool save();

    // The store is written soon after markChanged() (see SaveScheduler).
    SaveScheduler *saver() const { return m_saver; }
    void markChanged();
    // Path of the lock every read-merge-write of the store holds, program and CLI alike.
    static QString writerLockFile();

    QStringList &macroNames() { return m_macroNames; }
    const QStringList &macroNames() const { return m_macroNames; }
    QStringList &macroActions() { return m_macroActions; }
    const QStringList &macroActions() const { return m_macroActions; }
    void setMacroNames(const QStringList &list);

    void sendMacro(int macroIndex, int buttonIndex);
    // The form the chip protocol expects (pauses folded into the press or release before them);
    // an empty text when nothing is to be sent.
    static QString deviceForm(const QString &actions);

    // Writes macro index to an exchange file (replacing it). False when index names no macro or
    // the file cannot be written.
    bool exportMacro(int index, const QString &file);
    // Appends the macros of an exchange file to the store, then reloads it and emits
    // macroNameChanged(). Returns how many names were added, or -1 with *error set to what is
    // wrong (a language text). A file with an action that cannot be played is refused whole;
    // lines Qt skips (a section without "]") are listed in *skipped and the rest imported.
    int importMacros(const QString &file, QString *error = nullptr, QStringList *skipped = nullptr);
    // Whether an action string can be played as it stands; *bad gets the first item that cannot.
    static bool playable(const QString &actions, QString *bad = nullptr);

signals:
    void macroNameChanged();

private:
    MacroData();
    SaveScheduler::Result saveLocked(bool wait);
    SaveScheduler::Result writeMerged(bool wait);
    void mergeFromDisk(const QStringList &names, const QStringList &actions);

    QStringList m_macroNames;
    QStringList m_macroActions;
    // The store as this program last read or wrote it: what another writer changed shows
    // against it.
    QStringList m_baseNames;
    QStringList m_baseActions;
    SaveScheduler *m_saver = nullptr;
    bool m_writeFailed = false;
};
