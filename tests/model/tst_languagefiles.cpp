// Checks the two shipped language tables as data: they parse, they are complete, every number
// the code asks for exists in both, and the Chinese table is actually translated.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTest>

#include "device/datapaths.h"

namespace {

const int kTotal = 115; // texts every build has; later texts extend the tables
const char *const kTables[] = {"English", "ChineseSimplified"};

struct Table
{
    bool readable = false;
    QSettings::Status status = QSettings::AccessError;
    int total = -1;
    QStringList keys;           // every key under [main]
    QList<QVariant> raw;        // main/0 .. main/<total-1> as QSettings returns them
    QStringList texts;          // the same as text
};

Table readTable(const QString &name)
{
    Table t;
    const QString path = DataPaths::languageFile(name);
    t.readable = QFile::exists(path);
    QSettings s(path, QSettings::IniFormat);
    t.status = s.status();
    bool ok = false;
    t.total = s.value(QStringLiteral("main/total")).toInt(&ok);
    if (!ok)
        t.total = -1;
    s.beginGroup(QStringLiteral("main"));
    t.keys = s.childKeys();
    s.endGroup();
    for (int i = 0; i < qMax(t.total, 0); ++i) {
        const QVariant v = s.value(QStringLiteral("main/%1").arg(i));
        t.raw.append(v);
        t.texts.append(v.toString());
    }
    return t;
}

bool hasCjk(const QString &s)
{
    for (const QChar c : s) {
        const ushort u = c.unicode();
        if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF))
            return true;
    }
    return false;
}

// Approximate width in Latin characters: a CJK character or full-width sign takes two.
int displayWidth(const QString &s)
{
    int w = 0;
    for (const QChar c : s)
        w += (c.unicode() >= 0x2E80) ? 2 : 1;
    return w;
}

struct Use
{
    int number;
    QString where;
};

// Finds every text number written as a literal in a call languageText(<n>...) or an index
// languageTexts[<n>...]; "languageText(103 + value)" yields 103, the first of a run.
QList<Use> scanUses(const QString &source, const QString &file)
{
    static const QRegularExpression re(
        QStringLiteral(R"(\blanguageText(?:\s*\(|s\s*\[)\s*(\d+))"));
    QList<Use> uses;
    const QStringList lines = source.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        auto it = re.globalMatch(lines.at(i));
        while (it.hasNext()) {
            const auto m = it.next();
            uses.append({m.captured(1).toInt(), QStringLiteral("%1:%2").arg(file).arg(i + 1)});
        }
    }
    return uses;
}

// Numbers of texts drawn as menu rows, picker rows or key-marker labels (boxes 100-120 px).
QList<int> rowLabelNumbers()
{
    QList<int> n;
    for (int i = 1; i <= 11; ++i)
        n << i;
    for (int i = 16; i <= 26; ++i)
        n << i;
    for (int i = 36; i <= 56; ++i)
        n << i;
    n << 108;
    return n;
}

} // namespace

class tst_LanguageFiles : public QObject
{
    Q_OBJECT

private:
    Table english;
    Table chinese;

private slots:
    void initTestCase()
    {
        DataPaths::setRoot(QStringLiteral(MOUSECFG_SOURCE_DIR));
        english = readTable(QStringLiteral("English"));
        chinese = readTable(QStringLiteral("ChineseSimplified"));
    }
    void cleanupTestCase() { DataPaths::setRoot(QString()); }

    void tableIsComplete_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *t : kTables)
            QTest::newRow(t) << QString::fromLatin1(t);
    }
    void tableIsComplete()
    {
        QFETCH(QString, name);
        const Table t = readTable(name);
        QVERIFY2(t.readable, qPrintable(DataPaths::languageFile(name)));
        QCOMPARE(t.status, QSettings::NoError);
        QVERIFY2(t.total >= kTotal, qPrintable(QStringLiteral("%1 has %2 texts").arg(name).arg(t.total)));
        // Both tables grow together, or one language would show empty texts.
        QCOMPARE(t.total, readTable(QString::fromLatin1(kTables[0])).total);

        const Table other = readTable(QString::fromLatin1(kTables[0]));
        for (int i = 0; i < t.total; ++i) {
            const QString where = QStringLiteral("%1 text %2").arg(name).arg(i);
            // Numbers left free in both tables are reserved for texts being added elsewhere.
            if (!t.raw.at(i).isValid() && !other.raw.value(i).isValid() && i >= kTotal)
                continue;
            QVERIFY2(t.raw.at(i).isValid(), qPrintable(where + " is missing"));
            // An unquoted comma turns a value into a list, which reads back as an empty text.
            QVERIFY2(t.raw.at(i).typeId() == QMetaType::QString, qPrintable(where + " is not a plain text"));
            QVERIFY2(!t.texts.at(i).trimmed().isEmpty(), qPrintable(where + " is empty"));
        }

        // A text added past total without raising it would never be loaded.
        for (const QString &key : t.keys) {
            if (key == QLatin1String("total"))
                continue;
            bool ok = false;
            const int n = key.toInt(&ok);
            QVERIFY2(ok && n >= 0 && n < t.total,
                     qPrintable(QStringLiteral("%1: stray key main/%2").arg(name, key)));
        }
        QCOMPARE(t.keys.size(), other.keys.size());
    }

    // Values that need quoting survive it: the separators stay, and the blank after "Version"
    // stays because the version number is appended directly.
    void quotedValuesKeepTheirText()
    {
        for (const Table *t : {&english, &chinese}) {
            QVERIFY(t->texts.size() >= kTotal);
            QVERIFY(t->texts.at(99).endsWith(QLatin1Char(' ')));
            QVERIFY(!t->texts.at(99).trimmed().isEmpty());
            QVERIFY(!t->texts.at(99).startsWith(QLatin1Char('"')));
        }
        QVERIFY(english.texts.at(97).contains(QLatin1Char(';')));
        QVERIFY(!english.texts.at(97).contains(QLatin1Char('"')));
    }

    void scannerFindsEveryForm()
    {
        const QString sample = QStringLiteral(
            "ui->a->setText(MouseData::instance()->languageText(58));\n"
            "x = d->languageText( 7 ) + languageText(103 + value);\n"
            "auto s = languageTexts[12];\n"
            "QString languageText(int n) const; // declaration, no literal\n"
            "myLanguageText(99); languageTextCount(5);\n");
        QList<int> found;
        for (const Use &u : scanUses(sample, QStringLiteral("sample")))
            found << u.number;
        QCOMPARE(found, (QList<int>{58, 7, 103, 12}));
    }

    void numbersUsedByCodeExist()
    {
        QList<Use> uses;
        const QString root = QStringLiteral(MOUSECFG_SOURCE_DIR);
        for (const char *dir : {"app", "model", "pages", "device", "platform", "profiles"}) {
            QDirIterator it(root + QLatin1Char('/') + QLatin1String(dir),
                            {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                QFile f(path);
                QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
                uses += scanUses(QString::fromUtf8(f.readAll()), path.mid(root.size() + 1));
            }
        }
        qInfo("%lld literal text numbers found in the sources", static_cast<long long>(uses.size()));
        for (const Use &u : uses) {
            for (const Table *t : {&english, &chinese}) {
                QVERIFY2(u.number < t->texts.size(),
                         qPrintable(QStringLiteral("%1 uses text %2, past the table").arg(u.where).arg(u.number)));
                QVERIFY2(!t->texts.at(u.number).trimmed().isEmpty(),
                         qPrintable(QStringLiteral("%1 uses empty text %2").arg(u.where).arg(u.number)));
            }
        }
    }

    void chineseIsTranslated()
    {
        // Texts that read the same in both languages on purpose.
        const QSet<QString> sameInBoth = {QStringLiteral("DPI"), QStringLiteral("RGB"),
                                          QStringLiteral("X"), QStringLiteral("Y")};
        QCOMPARE(chinese.texts.size(), english.texts.size());
        for (int i = 0; i < english.texts.size(); ++i) {
            const QString en = english.texts.at(i);
            const QString zh = chinese.texts.at(i);
            if (en.isEmpty() && zh.isEmpty())
                continue;   // a reserved number (see tableIsComplete)
            QVERIFY2(!hasCjk(en), qPrintable(QStringLiteral("English text %1 holds Chinese: %2").arg(i).arg(en)));
            if (sameInBoth.contains(zh.trimmed()))
                continue;
            QVERIFY2(zh != en, qPrintable(QStringLiteral("Chinese text %1 is untranslated: %2").arg(i).arg(zh)));
            QVERIFY2(hasCjk(zh), qPrintable(QStringLiteral("Chinese text %1 has no Chinese: %2").arg(i).arg(zh)));
        }
    }

    // Rows of one menu or picker must be told apart.
    void groupsHaveDistinctTexts_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("categories") << 3 << 11;
        QTest::newRow("mouse functions") << 16 << 26;
        QTest::newRow("macro play modes") << 29 << 31;
        QTest::newRow("multimedia") << 36 << 41;
        QTest::newRow("shortcuts") << 42 << 53;
        QTest::newRow("dpi functions") << 54 << 56;
        QTest::newRow("lighting effects") << 73 << 78;
        QTest::newRow("speed labels") << 103 << 107;
    }
    void groupsHaveDistinctTexts()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        for (const Table *t : {&english, &chinese}) {
            QVERIFY(last < t->texts.size());
            QSet<QString> seen;
            for (int i = first; i <= last; ++i) {
                QVERIFY2(!seen.contains(t->texts.at(i)),
                         qPrintable(QStringLiteral("text %1 repeats %2").arg(i).arg(t->texts.at(i))));
                seen.insert(t->texts.at(i));
            }
        }
    }

    void rowLabelsFitTheirBoxes()
    {
        for (const Table *t : {&english, &chinese}) {
            for (int n : rowLabelNumbers()) {
                QVERIFY(n < t->texts.size());
                QVERIFY2(displayWidth(t->texts.at(n)) <= 16,
                         qPrintable(QStringLiteral("text %1 too wide for a row: %2").arg(n).arg(t->texts.at(n))));
            }
        }
        // The speed value label is 48 px wide.
        for (int n = 103; n <= 107; ++n) {
            QVERIFY(displayWidth(english.texts.at(n)) <= 7);
            QVERIFY(displayWidth(chinese.texts.at(n)) <= 6);
        }
    }
};

QTEST_GUILESS_MAIN(tst_LanguageFiles)
#include "tst_languagefiles.moc"
