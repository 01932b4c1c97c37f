#include "platform/updateprogram.h"

#include <QFile>
#include <QFileInfo>

UpdateProgram::Verdict UpdateProgram::check(const QString &path)
{
    const QFileInfo info(path);
#ifdef Q_OS_WIN
    return info.isFile() ? Verdict::Runnable : Verdict::Unusable;
#else
    if (!info.exists()) {
        return info.suffix().compare(QLatin1String("exe"), Qt::CaseInsensitive) == 0 ? Verdict::WindowsProgram
                                                                                      : Verdict::Unusable;
    }
    QFile f(path);
    // A DOS/PE image starts with "MZ", whatever its name.
    if (f.open(QIODevice::ReadOnly) && f.read(2) == "MZ")
        return Verdict::WindowsProgram;
    return info.isFile() && info.isExecutable() ? Verdict::Runnable : Verdict::Unusable;
#endif
}
