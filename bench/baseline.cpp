// The smallest Qt Widgets program that shows one window: what start-up costs before any of
// our own code runs.
#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("baseline"));
    window.resize(960, 640);
    window.show();
    return app.exec();
}
