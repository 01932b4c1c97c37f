#include "apptestroot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool AppTestRoot::writeRecorder(const QString &path, const QString &marker)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(QStringLiteral("#!/bin/sh\necho \"started $*\" >> '%1'\n").arg(marker).toUtf8());
    f.close();
    return f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
