#include "model/filesnapshot.h"

#include <QDir>
#include <QFile>

FileSnapshot::FileSnapshot(const QString &file)
    : m_copy(QDir::tempPath() + QStringLiteral("/mousecfg-read.XXXXXX"))
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return;
    m_bytes = in.readAll();
    if (in.error() != QFileDevice::NoError || !m_copy.open())
        return;
    m_valid = m_copy.write(m_bytes) == m_bytes.size() && m_copy.flush();
    m_copy.close();
}
