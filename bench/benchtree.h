#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>

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

    // Every tree the built program has beside it, into `to`; says on stderr what failed.
    static bool copyProgramData(const QString &to, const char *who)
    {
        const QString bin = QCoreApplication::applicationDirPath();
        for (const char *sub : {"data", "i18n", "fonts"}) {
            const QString from = bin + QLatin1Char('/') + QLatin1String(sub);
            if (QDir(from).exists() && !copy(from, to + QLatin1Char('/') + QLatin1String(sub))) {
                std::fprintf(stderr, "%s: cannot copy %s/\n", who, sub);
                return false;
            }
        }
        return true;
    }
};
