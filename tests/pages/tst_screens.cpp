#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The look guard: every page, picker, menu and dialog rendered by mousecfg-screenshots --fixed
// must match its reference in tests/data/screens pixel for pixel. After an intended change of
// the look, scripts/screens-update renders the references again.
class TestScreens : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    QString shots;
    QString references = QStringLiteral(MOUSECFG_TEST_DATA "/screens");
    bool anyFailed = false;

    static QStringList pngs(const QString &path)
    {
        return QDir(path).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase()
    {
        anyFailed = true; // until the pictures are there
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        shots = dir->path() + QStringLiteral("/shots");
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Read as the virtual mouse loads, before the tool's own settings apply.
        for (const char *name : {"VMOUSE_DEVICES", "VMOUSE_TRACE", "VMOUSE_CONTROL"})
            env.remove(QLatin1String(name));
        // A machine with the package installed: its login entry in the system's folder must not
        // tick "Start at login" in the pictures.
        const QString system = dir->path() + QStringLiteral("/xdg");
        QVERIFY(QDir().mkpath(system + QStringLiteral("/autostart")));
        QVERIFY(QFile::copy(QStringLiteral(MOUSECFG_SOURCE_DIR "/packaging/mousecfg-autostart.desktop"),
                            system + QStringLiteral("/autostart/mousecfg.desktop")));
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), system);
        tool.setProcessEnvironment(env);
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(QStringLiteral(MOUSECFG_BIN_DIR "/mousecfg-screenshots"), {QStringLiteral("--fixed"), shots});
        QVERIFY2(tool.waitForStarted(), qPrintable(tool.errorString()));
        const bool finished = tool.waitForFinished(240000);
        const QByteArray log = tool.readAll();
        if (!finished) {
            tool.kill();
            tool.waitForFinished();
        }
        QVERIFY2(finished && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0,
                 log.constData());
        QVERIFY2(!pngs(references).isEmpty(), qPrintable("no references in " + references));
        anyFailed = false;
    }

    void look_data()
    {
        QTest::addColumn<QString>("name");
        QStringList names = pngs(references) + pngs(shots);
        names.removeDuplicates();
        names.sort();
        for (const QString &n : std::as_const(names))
            QTest::newRow(qPrintable(n)) << n;
    }

    void look()
    {
        QFETCH(QString, name);
        const QString refPath = references + QLatin1Char('/') + name;
        const QString outPath = shots + QLatin1Char('/') + name;
        QVERIFY2(QFile::exists(outPath), qPrintable(name + " was not rendered (reference without picture)"));
        QVERIFY2(QFile::exists(refPath), qPrintable(name + " has no reference (a new picture: scripts/screens-update)"));
        const QImage ref = QImage(refPath).convertToFormat(QImage::Format_ARGB32);
        const QImage out = QImage(outPath).convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!ref.isNull() && !out.isNull(), qPrintable(name + " cannot be read"));
        QVERIFY2(ref.size() == out.size(),
                 qPrintable(QStringLiteral("%1: size %2x%3, reference %4x%5 (picture in %6)")
                                .arg(name).arg(out.width()).arg(out.height())
                                .arg(ref.width()).arg(ref.height()).arg(outPath)));

        // The differing pixels in magenta over a dimmed copy of the rendered picture.
        QImage diff(out.size(), QImage::Format_ARGB32);
        qint64 differing = 0;
        QRect box;
        for (int y = 0; y < out.height(); ++y) {
            const auto *a = reinterpret_cast<const QRgb *>(ref.constScanLine(y));
            const auto *b = reinterpret_cast<const QRgb *>(out.constScanLine(y));
            auto *d = reinterpret_cast<QRgb *>(diff.scanLine(y));
            for (int x = 0; x < out.width(); ++x) {
                if (a[x] != b[x]) {
                    ++differing;
                    box |= QRect(x, y, 1, 1);
                    d[x] = qRgb(255, 0, 255);
                } else {
                    d[x] = qRgb(qRed(b[x]) / 4, qGreen(b[x]) / 4, qBlue(b[x]) / 4);
                }
            }
        }
        if (differing) {
            const QString diffPath = shots + QStringLiteral("/diff-") + name;
            diff.save(diffPath);
            QFAIL(qPrintable(QStringLiteral("%1: %2 pixels differ within x %3..%4, y %5..%6; "
                                            "rendered %7, differences %8")
                                 .arg(name).arg(differing).arg(box.left()).arg(box.right())
                                 .arg(box.top()).arg(box.bottom()).arg(outPath, diffPath)));
        }
    }

    void cleanup()
    {
        if (QTest::currentTestFailed())
            anyFailed = true;
    }

    void cleanupTestCase()
    {
        // Kept for a look at what differs.
        if (anyFailed && dir) {
            dir->setAutoRemove(false);
            qWarning("rendered pictures and differences kept in %s", qPrintable(shots));
        }
    }
};

QTEST_GUILESS_MAIN(TestScreens)
#include "tst_screens.moc"
