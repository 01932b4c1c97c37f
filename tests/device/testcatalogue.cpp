#include "testcatalogue.h"

#include <QDir>
#include <QFile>
#include <QSettings>

QString TestCatalogue::write(const QString &dir, const QStringList &entries)
{
    QDir().mkpath(dir + QStringLiteral("/data"));
    const QString file = dir + QStringLiteral("/data/apConfig.bin");
    QFile::remove(file);
    QSettings s(file, QSettings::IniFormat);
    s.setValue(QStringLiteral("common/deviceCount"), entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        const QStringList f = entries.at(i).split(QLatin1Char(':'));
        s.beginGroup(QString::number(i));
        s.setValue(QStringLiteral("type"), QString::number(i));
        const char *keys[] = {"vid", "pid", "usagePage", "usage", "usagePage2", "usage2"};
        for (int k = 0; k < 6 && k < f.size(); ++k)
            s.setValue(QLatin1String(keys[k]), f.at(k));
        if (f.size() > 6)
            s.setValue(QStringLiteral("reportLength"), f.at(6).toInt());
        s.endGroup();
    }
    s.sync();
    return file;
}
