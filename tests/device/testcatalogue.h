#pragma once

#include <QString>
#include <QStringList>

// Writes catalogue files for tests. An entry is "vid:pid:usagePage:usage:usagePage2:usage2:length".
class TestCatalogue
{
public:
    static QString write(const QString &dir, const QStringList &entries);
};
