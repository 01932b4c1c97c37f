// The tray's balloon (the DPI pop-up on a desktop without a notification service) in the
// program's look: its text must stand out from its background. Runs under with-x.sh, with a
// tray of its own (trayer) and a bus of its own.
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QtTest>

#include "common/privatebus.h"
#include "platform/darklook.h"
#include "resources/stylesheets.h"

namespace {
double luminance(QRgb c)
{
    return (0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c)) / 255.0;
}

QWidget *shownBalloon()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->inherits("QBalloonTip") && w->isVisible())
            return w;
    }
    return nullptr;
}
} // namespace

class TestTrayPopup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void balloonTextStandsOut();

private:
    QProcess tray;
};

void TestTrayPopup::initTestCase()
{
    tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                                          QStringLiteral("right"), QStringLiteral("--height"), QStringLiteral("24")});
    if (!tray.waitForStarted(10000))
        QSKIP("trayer is not installed (scripts/deps test)");
    DarkLook::install(*qApp);
    StyleSheets::installApplicationSheet();
}

void TestTrayPopup::cleanupTestCase()
{
    tray.kill();
    tray.waitForFinished();
}

void TestTrayPopup::balloonTextStandsOut()
{
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);
    QPixmap picture(22, 22);
    picture.fill(QColor(255, 80, 0));
    QSystemTrayIcon icon{QIcon(picture)};
    icon.show();
    icon.showMessage(QStringLiteral("DPI"), QStringLiteral("3200 3200 3200"), QSystemTrayIcon::NoIcon, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(shownBalloon() != nullptr, 20000);
    QWidget *balloon = shownBalloon();
    QLabel *message = nullptr;
    for (QLabel *l : balloon->findChildren<QLabel *>()) {
        if (l->text() == QLatin1String("3200 3200 3200"))
            message = l;
    }
    QVERIFY(message);

    // The text's pixels against the background they are drawn on, as the balloon shows them.
    const QImage shot = balloon->grab().toImage();
    const QRect area = message->geometry().intersected(shot.rect());
    QVERIFY(!area.isEmpty());
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[shot.pixel(x, y)];
    }
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    double farthest = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        farthest = qMax(farthest, qAbs(luminance(it.key()) - luminance(background)));
    QVERIFY2(farthest > 0.45, qPrintable(QStringLiteral("text differs from its background by %1 in luminance")
                                             .arg(farthest)));
}

int main(int argc, char *argv[])
{
    // Without a notification service or a tray watcher on its bus, Qt falls back to its balloon.
    if (const int failed = runOnPrivateBus(argc, argv))
        return failed;
    QApplication app(argc, argv);
    TestTrayPopup test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_traypopup.moc"
