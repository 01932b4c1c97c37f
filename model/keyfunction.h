#pragma once

#include <QList>
#include <QString>

// One button's function: four bytes the mouse firmware interprets, plus the label shown for them.
struct KeyFunction
{
    uchar kind = 0;
    uchar param1 = 0;
    uchar param2 = 0;
    uchar param3 = 0;
    QString label;

    bool is(uchar k, uchar p1, uchar p2, uchar p3) const
    {
        return kind == k && param1 == p1 && param2 == p2 && param3 == p3;
    }

    // The four bytes of every entry in index order, as unsigned decimals joined by "_".
    static QString matrixText(const QList<KeyFunction> &matrix);
};
