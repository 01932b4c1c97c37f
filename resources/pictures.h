#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

#include <future>

// Icons of the compiled-in pictures. A QIcon made from a file name decodes the file when it
// is made, and again for every icon made from the same file; these are made once per file
// and shared, so a picture is decoded once however many buttons show it.
class Pictures
{
public:
    static QIcon icon(const QString &path);
    // Decodes the picture on another thread; get() waits for it, and so does dropping the future.
    static std::future<QImage> decodeLater(const QString &path);
};
