#include "model/keyfunction.h"

#include <QStringList>

QString KeyFunction::matrixText(const QList<KeyFunction> &matrix)
{
    QStringList parts;
    parts.reserve(matrix.size() * 4);
    for (const KeyFunction &k : matrix) {
        parts << QString::number(k.kind) << QString::number(k.param1)
              << QString::number(k.param2) << QString::number(k.param3);
    }
    return parts.join(QLatin1Char('_'));
}
