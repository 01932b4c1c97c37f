// The smallest Qt Widgets program that sits in the system tray: an icon with a one-item menu and
// no window. The baseline of the program's memory while it waits hidden in the tray.
// With MOUSECFG_BENCH_OUT set, writes "tray=<0|1>" there once the icon is shown.
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QPixmap picture(48, 48);
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.setBrush(QColor(255, 80, 0));
        p.drawEllipse(4, 4, 40, 40);
    }
    QMenu menu;
    menu.addAction(QStringLiteral("&Quit"), &app, &QCoreApplication::quit);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.setContextMenu(&menu);
    tray.show();
    if (const QByteArray out = qgetenv("MOUSECFG_BENCH_OUT"); !out.isEmpty()) {
        QFile f(QString::fromLocal8Bit(out));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(QSystemTrayIcon::isSystemTrayAvailable() ? "tray=1\n" : "tray=0\n");
    }
    return app.exec();
}
