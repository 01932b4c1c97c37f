#pragma once

#include <QList>
#include <QString>

// The small file beside the profile files: the profiles' names and order, the active one, the
// rules of automatic switching and the profile used when no rule matches. Each profile's
// settings are in its own p<file>.bin.
class ProfileIndex
{
public:
    struct Entry
    {
        QString name;
        int file = 0;   // n of p<n>.bin
    };
    struct Rule
    {
        QString program;  // executable path, or a bare file name matching any directory
        int file = 0;
    };

    QList<Entry> profiles;   // in the user's order
    int active = 0;          // file number
    QList<Rule> rules;
    int defaultFile = -1;    // -1: no default, focus on an unmatched program changes nothing

    static constexpr int MaxNameLength = 64;

    static QString path();
    // A name as every entry point takes it: control characters (a pasted line break) become
    // blanks, runs of blanks one, no blanks at the ends. Not cut to MaxNameLength.
    static QString cleanName(const QString &raw);
    // The cleaned name, or an empty text with *error set when it is empty or too long.
    static QString checkedName(const QString &raw, QString *error);
    // A name for a message: cut with "…" so that a huge one cannot flood the answer.
    static QString shown(const QString &text, int max = MaxNameLength);

    // False when there is no readable index with at least one profile; the object is then left
    // empty. Names that break the rules are cleaned (and made unique) as they are read.
    bool load();
    bool loadFrom(const QString &file);
    // Whole or not at all: the old index stays until the new one is complete on disk.
    bool save() const;

    int position(const QString &name) const;    // -1 when absent
    int positionOfFile(int file) const;
    QString nameOf(int file) const;
    int nextFile() const;
    // A non-empty, clean name no profile holds yet, made from base ("base", "base 2", ...),
    // never longer than MaxNameLength.
    QString uniqueName(const QString &base) const;

    // The profile files present (p<n>.bin beside the index), in file-number order, named from
    // the name each file records, else "Profile <n>" (firstName for p0). For an index that
    // could not be read.
    static ProfileIndex fromProfileFiles(const QString &firstName);
    // The key in a profile file that records its name.
    static const QString &nameKey();
};
