#include "apptestroot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "sim/vmouse.h"

namespace {
bool copyInto(const QString &relative, const QString &root)
{
    const QString from = QStringLiteral(MOUSECFG_BIN_DIR "/") + relative;
    const QString to = root + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(to).absolutePath());
    QFile::remove(to);
    return QFile::copy(from, to) && QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
}
} // namespace

bool AppTestRoot::populate(const QString &root)
{
    return copyInto(QStringLiteral("data/apConfig.bin"), root)
        && copyInto(QStringLiteral("data/pD.bin"), root)
        && copyInto(QStringLiteral("i18n/English.ini"), root)
        && copyInto(QStringLiteral("i18n/ChineseSimplified.ini"), root);
}

int AppTestRoot::plugFamily(int family)
{
    return vmouse_plug(0xf0e1, static_cast<unsigned short>(0x7a01 + family), 0xff00, 1, 0xff01, 1,
                       family >= 5 ? 64 : 32);
}

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
