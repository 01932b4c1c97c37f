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

    static QString path();

    // False when there is no readable index with at least one profile; the object is then left
    // empty.
    bool load();
    bool loadFrom(const QString &file);
    // Whole or not at all: the old index stays until the new one is complete on disk.
    bool save() const;

    int position(const QString &name) const;    // -1 when absent
    int positionOfFile(int file) const;
    QString nameOf(int file) const;
    int nextFile() const;
    // A non-empty, trimmed name no profile holds yet, made from base ("base", "base 2", ...).
    QString uniqueName(const QString &base) const;
};
