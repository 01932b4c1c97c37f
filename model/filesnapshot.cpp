#include "model/filesnapshot.h"

#include <QDir>
#include <QFile>

FileSnapshot::FileSnapshot(const QString &file)
    : m_copy(QDir::tempPath() + QStringLiteral("/mousecfg-read.XXXXXX"))
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = in.readAll();
    m_read = in.error() == QFileDevice::NoError;
    // Qt names no folder when TMPDIR names one that is missing; the copy would land in "/".
    if (!m_read || QDir::tempPath().isEmpty() || !m_copy.open())
        return;
    m_valid = m_copy.write(bytes) == bytes.size() && m_copy.flush();
    m_copy.close();
}

QString FileSnapshot::folder()
{
    const QString temp = QDir::tempPath();
    return temp.isEmpty() ? qEnvironmentVariable("TMPDIR") : temp;
}
