#pragma once

#include <QString>
#include <QTemporaryFile>

// A private copy of a file as it was read once. QSettings keeps what it parsed of a path and
// reads it again only when the size or the time stamp changed, and a time stamp moves in
// steps of a few milliseconds: a file rewritten in place with the same size could be taken
// for the old one. Parsing the copy also makes what was checked the same bytes that are used.
class FileSnapshot
{
public:
    explicit FileSnapshot(const QString &file);

    // False when the file could not be read or the copy not written.
    bool isValid() const { return m_valid; }
    // The file itself was read; only the copy failed.
    bool wasRead() const { return m_read; }
    // Where the copy goes, as the user named it.
    static QString folder();
    QString path() const { return m_copy.fileName(); }

private:
    QTemporaryFile m_copy;
    bool m_read = false;
    bool m_valid = false;
};
