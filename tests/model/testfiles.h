#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Writing and reading data files as raw text, so that tests see what is on disk and not
// what QSettings keeps cached in this process.
class TestFiles
{
public:
    // Creates <root>/data and <root>/i18n, an English language table whose text n is "T<n>"
    // (n < total), and a configuration selecting it.
    static void makeTree(const QString &root, int total = 120);
    static void write(const QString &path, const QByteArray &text);
    static QByteArray read(const QString &path);
    // The value text of key in section of an INI file, exactly as written; null when absent.
    static QString rawValue(const QString &path, const QString &section, const QString &key);
};
