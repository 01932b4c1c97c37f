#include "testfiles.h"

#include <QDir>
#include <QFile>

void TestFiles::makeTree(const QString &root, int total)
{
    QDir(root).mkpath(QStringLiteral("data"));
    QDir(root).mkpath(QStringLiteral("i18n"));
    QByteArray table = "[main]\ntotal=" + QByteArray::number(total) + "\n";
    for (int i = 0; i < total; ++i)
        table += QByteArray::number(i) + "=T" + QByteArray::number(i) + "\n";
    write(root + "/i18n/English.ini", table);
    write(root + "/data/apConfig.bin", "[common]\nlanguage=English\n"
                                       "[mouse]\nmaxDpi=12000\nminDpi=200\nstepDpi=100\n"
                                       "maxDpi_1=16000\nminDpi_1=200\nstepDpi_1=50\n"
                                       "maxDpi_2=16000\nminDpi_2=100\nstepDpi_2=100\n");
}

void TestFiles::write(const QString &path, const QByteArray &text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text);
}

QByteArray TestFiles::read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString TestFiles::rawValue(const QString &path, const QString &section, const QString &key)
{
    const QStringList lines = QString::fromUtf8(read(path)).split(QLatin1Char('\n'));
    QString current;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = line.mid(1, line.size() - 2);
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (current == section && eq > 0 && line.left(eq) == key)
            return line.mid(eq + 1);
    }
    return QString();
}
