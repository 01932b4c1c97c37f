#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// The program's data trees (data/, i18n/, fonts/) copied for a benchmark to work on, so that
// nothing it saves lands beside the built program.
class BenchTree
{
public:
    static bool copy(const QString &from, const QString &to)
    {
        if (!QDir().mkpath(to))
            return false;
        for (const QFileInfo &fi : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString target = to + QLatin1Char('/') + fi.fileName();
            if (fi.isDir() ? !copy(fi.filePath(), target) : !QFile::copy(fi.filePath(), target))
                return false;
        }
        return true;
    }
};
