#include "platform/appfont.h"

#include "device/datapaths.h"

#include <QApplication>
#include <QFontDatabase>

QStringList AppFont::families()
{
    QStringList list{QStringLiteral("微软雅黑")};
#ifndef Q_OS_WIN
    list << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("Roboto")
         << QStringLiteral("sans-serif");
#endif
    return list;
}

QFont AppFont::font()
{
    QFont f;
    f.setFamilies(families());
    return f;
}

int AppFont::install(QApplication &app)
{
    Q_UNUSED(app);
    const int id = QFontDatabase::addApplicationFont(DataPaths::fontFile());
    QApplication::setFont(font());
    return id;
}
