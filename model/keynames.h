#pragma once

#include <QMap>
#include <QString>

// Short display names of keyboard usage codes 4..231 and of the mouse-button codes 240..244.
class KeyNames
{
public:
    static QMap<int, QString> table();
};
