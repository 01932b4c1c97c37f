#include "device/datapaths.h"
#include "platform/appfont.h"
#include "platform/mousesettings.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QtTest>

namespace {
MouseSettings::IsInstalled only(const QStringList &programs)
{
    return [programs](const QString &p) { return programs.contains(p); };
}

const QStringList kAll = {QStringLiteral("gnome-control-center"), QStringLiteral("systemsettings"),
                          QStringLiteral("systemsettings5"), QStringLiteral("kcmshell5"),
                          QStringLiteral("xfce4-mouse-settings"), QStringLiteral("mate-mouse-properties"),
                          QStringLiteral("cinnamon-settings"), QStringLiteral("lxqt-config-input")};

bool writeScript(const QString &path, const QByteArray &body)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("#!/bin/sh\n" + body + "\n");
    f.close();
    return f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        DataPaths::setRoot(QString());
    }

    void commandFor_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("command");
        QTest::newRow("gnome") << "GNOME" << kAll << QStringList{"gnome-control-center", "mouse"};
        QTest::newRow("ubuntu list") << "ubuntu:GNOME" << kAll << QStringList{"gnome-control-center", "mouse"};
        QTest::newRow("plasma 6") << "KDE" << kAll << QStringList{"systemsettings", "kcm_mouse"};
        QTest::newRow("plasma 5") << "KDE" << QStringList{"gnome-control-center", "systemsettings5", "kcmshell5"}
                                  << QStringList{"systemsettings5", "kcm_mouse"};
        QTest::newRow("plasma 5 kcmshell") << "KDE" << QStringList{"kcmshell5", "xfce4-mouse-settings"}
                                           << QStringList{"kcmshell5", "mouse"};
        QTest::newRow("xfce lower case") << "xfce" << kAll << QStringList{"xfce4-mouse-settings"};
        QTest::newRow("mate") << "MATE" << kAll << QStringList{"mate-mouse-properties"};
        QTest::newRow("cinnamon") << "X-Cinnamon" << kAll << QStringList{"cinnamon-settings", "mouse"};
        QTest::newRow("lxqt") << "LXQt" << kAll << QStringList{"lxqt-config-input"};
        // The desktop's own tool is missing: another desktop's will do.
        QTest::newRow("xfce without its tool") << "XFCE" << QStringList{"mate-mouse-properties"}
                                               << QStringList{"mate-mouse-properties"};
        QTest::newRow("unknown desktop") << "sway" << QStringList{"lxqt-config-input", "mate-mouse-properties"}
                                         << QStringList{"mate-mouse-properties"};
        QTest::newRow("no desktop") << "" << QStringList{"xfce4-mouse-settings", "lxqt-config-input"}
                                    << QStringList{"xfce4-mouse-settings"};
        QTest::newRow("second of the list") << "Budgie:GNOME" << kAll << QStringList{"gnome-control-center", "mouse"};
        QTest::newRow("nothing installed") << "GNOME" << QStringList{} << QStringList{};
    }
    void commandFor()
    {
        QFETCH(QString, desktop);
        QFETCH(QStringList, installed);
        QFETCH(QStringList, command);
        QCOMPARE(MouseSettings::commandFor(desktop, only(installed)), command);
    }

    void commandForWithoutPredicate()
    {
        QCOMPARE(MouseSettings::commandFor(QStringLiteral("GNOME"), {}), QStringList{});
    }

#ifdef Q_OS_LINUX
    // The real lookup and start: a stand-in settings program in PATH writes a marker file.
    void openStartsInstalledProgramDetached()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString marker = dir.filePath(QStringLiteral("started"));
        QVERIFY(writeScript(dir.filePath(QStringLiteral("mate-mouse-properties")),
                            "echo \"$@\" > '" + marker.toUtf8() + "'"));
        const QByteArray oldPath = qgetenv("PATH");
        const QByteArray oldDesktop = qgetenv("XDG_CURRENT_DESKTOP");
        qputenv("PATH", dir.path().toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "MATE");
        const QStringList command = MouseSettings::systemCommand();
        const bool started = MouseSettings::open();
        qputenv("PATH", oldPath);
        qputenv("XDG_CURRENT_DESKTOP", oldDesktop);
        QCOMPARE(command, QStringList{"mate-mouse-properties"});
        QVERIFY(started);
        QTRY_VERIFY(QFile::exists(marker));
    }

    void openWithoutAnyProgramFails()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", dir.path().toUtf8());
        const bool started = MouseSettings::open();
        qputenv("PATH", oldPath);
        QVERIFY(!started);
    }
#endif

    void fontInstalledFromDataPath()
    {
        DataPaths::setRoot(QStringLiteral(MOUSECFG_BIN_DIR));
        if (!QFile::exists(DataPaths::fontFile()))
            QSKIP("Roboto-Regular.ttf is not shipped in this build");
        auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
        QVERIFY(app);
        const int id = AppFont::install(*app);
        QVERIFY(id >= 0);
        QVERIFY(QFontDatabase::applicationFontFamilies(id).contains(QStringLiteral("Roboto")));
        QCOMPARE(QApplication::font().family(), QStringLiteral("微软雅黑"));
        QCOMPARE(QApplication::font().families(), AppFont::families());
    }

    void missingFontFileStillSetsFont()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        DataPaths::setRoot(dir.path());
        auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
        QCOMPARE(AppFont::install(*app), -1);
        QCOMPARE(QApplication::font().family(), QStringLiteral("微软雅黑"));
    }

    // Chinese texts must come out as glyphs, not as empty boxes.
    void chineseTextRenders()
    {
        const QString text = QStringLiteral("鼠标设置宏录制");
        QTextLayout layout(text, AppFont::font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        QVERIFY(!runs.isEmpty());
        int glyphs = 0;
        for (const QGlyphRun &run : runs) {
            for (quint32 index : run.glyphIndexes()) {
                QVERIFY2(index != 0, qPrintable(run.rawFont().familyName()));
                ++glyphs;
            }
        }
        QCOMPARE(glyphs, text.size());

        QImage image(200, 40, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            p.setFont(AppFont::font());
            p.setPen(Qt::black);
            p.drawText(image.rect(), Qt::AlignCenter, text);
        }
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        QVERIFY2(dark > 100, qPrintable(QString::number(dark)));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
