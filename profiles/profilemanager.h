#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include "profiles/profileindex.h"

#include <memory>

// The user's named profiles. The profile model holds the active one; every other lives only in
// its file. Operations save what they change at once (index and profile files, atomically) and
// return false with a reason when refused.
class ProfileManager : public QObject
{
    Q_OBJECT
public:
    static ProfileManager *instance();

    // Reads the index; without one, the existing p0.bin becomes the only profile, named from the
    // language table. An index that exists but cannot be read is moved aside and the list
    // rebuilt from the profile files (see notice()). Sets the model's profileNumber to the
    // active profile (not loaded here).
    void load();
    // What load() had to repair, for telling the user once; empty when nothing.
    QString notice() const { return m_notice; }
    const ProfileIndex &index() const { return m_index; }

    QStringList names() const;
    QString activeName() const;

    // Saves the active profile, loads the named one into the model and sends the mouse what it
    // does not hold yet. The active one again changes and sends nothing.
    bool activate(const QString &name, QString *error = nullptr);
    // A new profile at the end of the list from the active one's settings or the factory file;
    // not activated. Returns the name given (cleaned), empty on failure, and for a name
    // another profile holds.
    QString create(const QString &name, bool fromFactory, QString *error = nullptr);
    QString duplicate(const QString &name, QString *error = nullptr);
    bool rename(const QString &from, const QString &to, QString *error = nullptr);
    // Never the last one; deleting the active one first activates its neighbour.
    bool remove(const QString &name, QString *error = nullptr);
    // A profile file with an [exchange] section naming it and the macros its buttons are bound to.
    // `file` must be an absolute path outside the program's own folders; an existing file is
    // replaced only when `replace` says so.
    bool exportProfile(const QString &name, const QString &file, bool replace, QString *error = nullptr);
    // Adds the file's macros to the store (a macro the store holds already is reused), binds its
    // buttons to them, adds the profile at the end under a free name. Refuses a file that is too
    // large, lacks a profile's sections, or whose macros would not fit where a button can
    // reach them. Returns the new profile's name, empty on failure.
    QString importProfile(const QString &file, QString *error = nullptr);
    static constexpr qint64 MaxProfileFileBytes = 1024 * 1024;

    bool setRules(const QList<ProfileIndex::Rule> &rules, int defaultFile, QString *error = nullptr);

    // The running program holds this for its lifetime, so that mousecfg-cli, when it cannot
    // reach the program on the session bus, does not write the files under it.
    bool claim();
    void release();
    // True when a live program holds the claim (false in the program holding it).
    static bool claimedElsewhere();

    // The file a macro deletion left behind: buttons of every other profile bound to macro
    // `deleted` lose it, those bound above it move down one.
    void macroDeleted(int deleted);

signals:
    void activeChanged(const QString &name);
    void listChanged();
    void macrosImported();

private:
    ProfileManager() = default;
    bool saveIndex(QString *error);
    bool saveActiveProfile(QString *error);

    bool recordName(int file, const QString &name);

    ProfileIndex m_index;
    std::unique_ptr<QLockFile> m_claim;
    QString m_notice;
};
