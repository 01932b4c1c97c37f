#include "resources/pictures.h"

#include <QHash>

QIcon Pictures::icon(const QString &path)
{
    // GUI thread only, like every widget that shows one.
    static QHash<QString, QIcon> made;
    auto it = made.constFind(path);
    if (it == made.constEnd())
        it = made.insert(path, QIcon(path));
    return *it;
}

std::future<QImage> Pictures::decodeLater(const QString &path)
{
    return std::async(std::launch::async, [path] { return QImage(path); });
}
