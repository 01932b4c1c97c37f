#include "resources/stylesheets.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

using WidgetMaker = std::function<QWidget *()>;
Q_DECLARE_METATYPE(WidgetMaker)

namespace {

// Style-sheet trouble is only ever reported as a warning; collect them.
QStringList g_styleWarnings;
QtMessageHandler g_previousHandler = nullptr;

void collectStyleWarnings(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (msg.contains(QLatin1String("stylesheet"), Qt::CaseInsensitive)
        || msg.contains(QLatin1String("Unknown property"))
        || msg.contains(QLatin1String("Could not parse")))
        g_styleWarnings << msg;
    if (g_previousHandler)
        g_previousHandler(type, context, msg);
}

int countPixels(const QImage &image, const std::function<bool(const QColor &)> &match)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixelColor(x, y)))
                ++n;
    return n;
}

bool isAccent(const QColor &c)
{
    return qAbs(c.red() - 255) <= 2 && qAbs(c.green() - 80) <= 6 && c.blue() <= 6;
}

bool isOpaque(const QColor &c)
{
    return c.alpha() > 0;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void pictureHasItsSize_data();
    void pictureHasItsSize();
    void pathWithoutSlashNamesTheSameResource_data();
    void pathWithoutSlashNamesTheSameResource();
    void colorBarLayout();
    void highlightedEffectIconsDifferFromNormal();

    void brokenSheetIsNoticed();
    void everySheetParses_data();
    void everySheetParses();
    void checkBoxIndicatorFollowsState();
    void comboPopupItemHeight_data();
    void comboPopupItemHeight();
    void comboPopupHighlightsCurrentRow();
    void styleComboBoxKeepsOneDelegate();
    void dialogButtonSizes();
    void menuItemHeights();
    void listItemGeometry_data();
    void listItemGeometry();
    void unknownSheetIsEmpty();
};

void TestResources::initTestCase()
{
    StyleSheets::initResources();
    g_previousHandler = qInstallMessageHandler(collectStyleWarnings);
}

void TestResources::cleanup()
{
    const QStringList warnings = g_styleWarnings;
    g_styleWarnings.clear();
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
}

void TestResources::pictureHasItsSize_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const struct { const char *path; int w, h; } table[] = {
        {":/images/background.png", 1200, 800},
        {":/images/logo.png", 126, 21},
        {":/images/settingBtn.png", 14, 14},
        {":/images/minBtn.png", 12, 2},
        {":/images/maxBtn.png", 13, 12},
        {":/images/closeBtn.png", 12, 12},
        {":/images/trayicon.png", 48, 48},
        {":/images/warn.png", 106, 93},
        {":/images/checkbox.png", 13, 13},
        {":/images/checkboxS.png", 13, 13},
        {":/images/help.png", 18, 18},
        {":/images/windowsIcon.png", 42, 31},
        {":/images/mouse.png", 231, 548},
        {":/images/mouse_1.png", 233, 547},
        {":/images/mouseH.png", 347, 721},
        {":/images/mouseH_1.png", 347, 680},
        {":/funBtn/images/funBtn/keyFunBtn.png", 27, 27},
        {":/funBtn/images/funBtn/dpiFunBtn.png", 31, 31},
        {":/funBtn/images/funBtn/lightFunBtn.png", 29, 29},
        {":/funBtn/images/funBtn/macroFunBtn.png", 29, 29},
        {":/funBtn/images/funBtn/lodFunBtn.png", 29, 29},
        {":menu/images/menu/defaultIcon.png", 18, 18},
        {":menu/images/menu/disableIcon.png", 18, 18},
        {":menu/images/menu/keyboardIcon.png", 18, 18},
        {":menu/images/menu/macroIcon.png", 18, 18},
        {":menu/images/menu/mouseIcon.png", 12, 19},
        {":menu/images/menu/multimediaIcon.png", 18, 18},
        {":menu/images/menu/profileIcon.png", 18, 18},
        {":menu/images/menu/programIcon.png", 18, 18},
        {":menu/images/menu/shortCutIcon.png", 18, 18},
        {":menu/images/menu/playIcon.png", 12, 11},
        {":menu/images/menu/preIcon.png", 14, 11},
        {":menu/images/menu/nexIcon.png", 14, 11},
        {":menu/images/menu/volAddIcon.png", 20, 14},
        {":menu/images/menu/volSubIcon.png", 20, 14},
        {":menu/images/menu/volMuteIcon.png", 20, 14},
        {":/menu/images/menu/comboBoxDropArrow.png", 20, 20},
        {":menu/images/menu/folder.png", 24, 24},
        {":/light/images/light/lightOFF.png", 54, 54},
        {":/light/images/light/lightOFFS.png", 54, 54},
        {":/light/images/light/lightStatic.png", 54, 54},
        {":/light/images/light/lightStaticS.png", 54, 54},
        {":/light/images/light/lightBreath.png", 54, 54},
        {":/light/images/light/lightBreathS.png", 54, 54},
        {":/light/images/light/lightRGB.png", 65, 32},
        {":/light/images/light/lightRGBS.png", 65, 32},
        {":/light/images/light/liightSwim.png", 50, 44},
        {":/light/images/light/liightSwimS.png", 50, 44},
        {":/light/images/light/lightFinger.png", 46, 54},
        {":/light/images/light/lightFingerS.png", 46, 54},
        {":/light/images/light/colorBar.png", 448, 64},
        {":/light/images/light/colorBarPin.png", 13, 13},
        {":/macro/images/macro/add.png", 11, 11},
        {":/macro/images/macro/delete.png", 12, 14},
        {":/macro/images/macro/import.png", 12, 16},
        {":/macro/images/macro/export.png", 12, 16},
        {":/macro/images/macro/record.png", 12, 12},
        {":/macro/images/macro/stop.png", 11, 11},
        {":macro/images/macro/delay.png", 13, 13},
        {":macro/images/macro/keyboardUp.png", 27, 10},
        {":macro/images/macro/keyboardDown.png", 27, 10},
        {":macro/images/macro/mouseUp.png", 21, 16},
        {":macro/images/macro/mouseDown.png", 21, 16},
        {":macro/images/macro/macroNameMenuBtn.png", 17, 3},
    };
    for (const auto &row : table)
        QTest::newRow(row.path) << QString::fromLatin1(row.path) << QSize(row.w, row.h);
}

void TestResources::pictureHasItsSize()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    // A picture that rendered to nothing is as broken as a missing one.
    QVERIFY(countPixels(image, isOpaque) > 0);
}

void TestResources::pathWithoutSlashNamesTheSameResource_data()
{
    QTest::addColumn<QString>("withSlash");
    for (const char *p : {":/menu/images/menu/defaultIcon.png", ":/menu/images/menu/volMuteIcon.png",
                          ":/menu/images/menu/folder.png", ":/macro/images/macro/delay.png",
                          ":/macro/images/macro/macroNameMenuBtn.png", ":/images/mouse.png",
                          ":/light/images/light/colorBar.png"})
        QTest::newRow(p) << QString::fromLatin1(p);
}

void TestResources::pathWithoutSlashNamesTheSameResource()
{
    QFETCH(QString, withSlash);
    QString withoutSlash = withSlash;
    withoutSlash.remove(1, 1);
    const QImage a(withSlash);
    const QImage b(withoutSlash);
    QVERIFY(!a.isNull());
    QVERIFY2(!b.isNull(), qPrintable(withoutSlash));
    QCOMPARE(a, b);
}

void TestResources::colorBarLayout()
{
    const QImage bar(QStringLiteral(":/light/images/light/colorBar.png"));
    QCOMPARE(bar.size(), QSize(448, 64));

    // Both edges are red and slightly transparent, on every row.
    for (int y : {0, 31, 63}) {
        for (int x : {0, 447}) {
            const QColor c = bar.pixelColor(x, y);
            QCOMPARE(c.alpha(), 238);
            QCOMPARE(c.red(), 255);
            QVERIFY(c.green() <= 4 && c.blue() <= 4);
        }
        QCOMPARE(bar.pixelColor(1, y).alpha(), 255);
        QCOMPARE(bar.pixelColor(446, y).alpha(), 255);
    }

    // Every row is the same.
    for (int y = 1; y < bar.height(); ++y)
        for (int x = 0; x < bar.width(); x += 7)
            QCOMPARE(bar.pixel(x, y), bar.pixel(x, 0));

    // Full saturation and value, hue falling from 360 to 0: magenta, blue, cyan, green, yellow.
    const struct { int x; QColor expect; } marks[] = {
        {75, QColor(255, 0, 255)}, {149, QColor(0, 0, 255)}, {224, QColor(0, 255, 255)},
        {298, QColor(0, 255, 0)}, {373, QColor(255, 255, 0)},
    };
    for (const auto &m : marks) {
        const QColor c = bar.pixelColor(m.x, 10);
        QVERIFY2(qAbs(c.red() - m.expect.red()) <= 8 && qAbs(c.green() - m.expect.green()) <= 8
                     && qAbs(c.blue() - m.expect.blue()) <= 8,
                 qPrintable(QStringLiteral("column %1: %2").arg(m.x).arg(c.name())));
    }
    int previousHue = 361;
    for (int x = 1; x < 447; ++x) {
        const QColor c = bar.pixelColor(x, 20);
        QCOMPARE(c.hsvSaturation(), 255);
        QCOMPARE(c.value(), 255);
        const int hue = c.hsvHue();
        QVERIFY2(hue <= previousHue, qPrintable(QStringLiteral("hue rises at column %1").arg(x)));
        previousHue = hue;
    }
}

void TestResources::highlightedEffectIconsDifferFromNormal()
{
    for (const char *name : {"lightOFF", "lightStatic", "lightBreath", "lightRGB", "liightSwim", "lightFinger"}) {
        const QString base = QStringLiteral(":/light/images/light/") + QLatin1String(name);
        const QImage normal(base + QStringLiteral(".png"));
        const QImage high(base + QStringLiteral("S.png"));
        QVERIFY(!normal.isNull() && !high.isNull());
        QVERIFY2(normal != high, name);
    }
}

void TestResources::brokenSheetIsNoticed()
{
    // The parse check below is only worth something if a bad sheet is caught.
    QLabel label;
    label.setStyleSheet(QStringLiteral("QLabel { color: "));
    label.show();
    label.ensurePolished();
    QVERIFY(!g_styleWarnings.isEmpty());
    g_styleWarnings.clear();
}

void TestResources::everySheetParses_data()
{
    using Make = WidgetMaker;
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<Make>("make");
    const Make frame = [] { return new QFrame; };
    const Make label = [] { return new QLabel(QStringLiteral("text")); };
    const Make push = [] { return new QPushButton(QStringLiteral("text")); };
    const Make tool = [] { return new QToolButton; };
    const Make combo = [] {
        auto *box = new QComboBox;
        box->addItems({QStringLiteral("1"), QStringLiteral("2")});
        return box;
    };
    const Make list = [] { return new QListView; };
    const Make scroll = [] { return new QScrollBar(Qt::Vertical); };
    const Make menu = [] {
        auto *m = new QMenu;
        m->addAction(QStringLiteral("&Quit"));
        return m;
    };

    QTest::newRow("pagePanel") << StyleSheets::pagePanel() << frame;
    QTest::newRow("pageFrame") << StyleSheets::pageFrame() << frame;
    QTest::newRow("titleLabel") << StyleSheets::titleLabel() << label;
    QTest::newRow("plainLabel") << StyleSheets::plainLabel() << label;
    QTest::newRow("hoverLabel") << StyleSheets::hoverLabel() << label;
    QTest::newRow("checkBox") << StyleSheets::checkBox() << Make([] { return new QCheckBox(QStringLiteral("x")); });
    QTest::newRow("lineEdit") << StyleSheets::lineEdit() << Make([] { return new QLineEdit; });
    QTest::newRow("comboBox24") << StyleSheets::comboBox(StyleSheets::Items24) << combo;
    QTest::newRow("comboBox27") << StyleSheets::comboBox(StyleSheets::Items27) << combo;
    QTest::newRow("comboBoxSlot") << StyleSheets::comboBox(StyleSheets::ColorSlot) << combo;
    QTest::newRow("comboPopupScrollBar") << StyleSheets::comboPopupScrollBar() << scroll;
    QTest::newRow("slider") << StyleSheets::slider() << Make([] { return new QSlider(Qt::Horizontal); });
    QTest::newRow("pushButton") << StyleSheets::pushButton() << push;
    QTest::newRow("macroButton") << StyleSheets::macroButton() << push;
    QTest::newRow("fieldButton") << StyleSheets::fieldButton() << push;
    QTest::newRow("flatTextButton") << StyleSheets::flatTextButton() << push;
    QTest::newRow("inputDialogButton") << StyleSheets::inputDialogButton() << push;
    QTest::newRow("updateDialogButton") << StyleSheets::updateDialogButton() << push;
    QTest::newRow("navButton") << StyleSheets::navButton() << push;
    QTest::newRow("effectButton1") << StyleSheets::effectButton(StyleSheets::FirstRow) << tool;
    QTest::newRow("effectButton2") << StyleSheets::effectButton(StyleSheets::SecondRow) << tool;
    QTest::newRow("listMenu") << StyleSheets::listView(StyleSheets::MenuList) << list;
    QTest::newRow("listDpi") << StyleSheets::listView(StyleSheets::DpiList) << list;
    QTest::newRow("listMacro40") << StyleSheets::listView(StyleSheets::MacroList40) << list;
    QTest::newRow("listMacro100") << StyleSheets::listView(StyleSheets::MacroList100) << list;
    QTest::newRow("listScrollBar") << StyleSheets::listScrollBar() << scroll;
    QTest::newRow("trayMenu") << StyleSheets::menu(StyleSheets::TrayMenu) << menu;
    QTest::newRow("contextMenu") << StyleSheets::menu(StyleSheets::ContextMenu) << menu;
}

void TestResources::everySheetParses()
{
    QFETCH(QString, sheet);
    QFETCH(WidgetMaker, make);
    QVERIFY(!sheet.trimmed().isEmpty());
    // A placeholder left in the text would be a broken rule.
    QVERIFY2(!sheet.contains(QLatin1Char('@')), qPrintable(sheet));

    std::unique_ptr<QWidget> w(make());
    w->setStyleSheet(sheet);
    w->resize(200, 60);
    w->show();
    w->ensurePolished();
    // Painting resolves the url() pictures and the sub-control rules.
    (void)w->grab();
    QVERIFY2(g_styleWarnings.isEmpty(), qPrintable(g_styleWarnings.join(QLatin1Char('\n'))));
}

void TestResources::checkBoxIndicatorFollowsState()
{
    QCheckBox box(QStringLiteral("Default"));
    box.setStyleSheet(StyleSheets::checkBox());
    box.resize(120, 24);
    box.show();
    box.setChecked(false);
    const QImage off = box.grab().toImage();
    box.setChecked(true);
    const QImage on = box.grab().toImage();
    // Only the checked picture carries the accent; the plain text is white.
    QCOMPARE(countPixels(off, isAccent), 0);
    QVERIFY(countPixels(on, isAccent) >= 40);

    // Under the pointer the text turns orange.
    box.setChecked(false);
    box.setAttribute(Qt::WA_UnderMouse, true);
    const QImage hovered = box.grab().toImage();
    QVERIFY(countPixels(hovered, isAccent) > 0);
}

void TestResources::comboPopupItemHeight_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("height");
    QTest::newRow("24") << int(StyleSheets::Items24) << 24;
    QTest::newRow("27") << int(StyleSheets::Items27) << 27;
}

void TestResources::comboPopupItemHeight()
{
    QFETCH(int, items);
    QFETCH(int, height);
    QComboBox box;
    box.addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    StyleSheets::styleComboBox(&box, StyleSheets::ComboItems(items));
    box.show();
    box.showPopup();
    QCOMPARE(box.view()->sizeHintForRow(0), height);
    QCOMPARE(box.view()->visualRect(box.model()->index(1, 0)).height(), height);
    box.hidePopup();
}

void TestResources::comboPopupHighlightsCurrentRow()
{
    QComboBox box;
    box.addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    StyleSheets::styleComboBox(&box, StyleSheets::Items24);
    box.resize(80, 24);
    box.show();
    box.showPopup();
    QAbstractItemView *view = box.view();
    const QModelIndex row = box.model()->index(1, 0);
    view->setCurrentIndex(row);
    view->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect);
    const QImage shot = view->viewport()->grab().toImage();
    const QRect r = view->visualRect(row);
    QVERIFY(isAccent(shot.pixelColor(r.left() + 2, r.center().y())));
    const QRect other = view->visualRect(box.model()->index(2, 0));
    QVERIFY(!isAccent(shot.pixelColor(other.left() + 2, other.center().y())));
    box.hidePopup();
}

void TestResources::styleComboBoxKeepsOneDelegate()
{
    QComboBox box;
    StyleSheets::styleComboBox(&box, StyleSheets::Items24);
    QAbstractItemDelegate *first = box.itemDelegate();
    QCOMPARE(first->metaObject(), &QStyledItemDelegate::staticMetaObject);
    StyleSheets::styleComboBox(&box, StyleSheets::Items27, StyleSheets::comboPopupScrollBar());
    QCOMPARE(box.itemDelegate(), first);
    QVERIFY(box.styleSheet().contains(QLatin1String("27px")));
    QVERIFY(box.styleSheet().contains(QLatin1String("QScrollBar")));
    StyleSheets::styleComboBox(nullptr, StyleSheets::Items24); // ignored, no crash
}

void TestResources::dialogButtonSizes()
{
    QPushButton input(QStringLiteral("OK"));
    input.setStyleSheet(StyleSheets::inputDialogButton());
    QCOMPARE(input.sizeHint(), QSize(64, 24));

    // Inside a button box, as the dialogs use them.
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (QAbstractButton *b : box.buttons())
        b->setStyleSheet(StyleSheets::updateDialogButton());
    box.show();
    for (QAbstractButton *b : box.buttons())
        QCOMPARE(b->size(), QSize(114, 45));
}

void TestResources::menuItemHeights()
{
    for (auto kind : {StyleSheets::TrayMenu, StyleSheets::ContextMenu}) {
        QMenu menu;
        QAction *a = menu.addAction(QStringLiteral("Rename"));
        menu.addAction(QStringLiteral("Delete"));
        menu.setStyleSheet(StyleSheets::menu(kind));
        menu.ensurePolished();
        menu.adjustSize();
        QCOMPARE(menu.actionGeometry(a).height(), kind == StyleSheets::TrayMenu ? 22 : 24);
    }
}

void TestResources::listItemGeometry_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<QSize>("size"); // width 0: follows the view
    QTest::newRow("menus") << int(StyleSheets::MenuList) << QSize(158, 40);
    QTest::newRow("dpi picker") << int(StyleSheets::DpiList) << QSize(168, 40);
    QTest::newRow("macro 40") << int(StyleSheets::MacroList40) << QSize(0, 40);
    QTest::newRow("macro 100") << int(StyleSheets::MacroList100) << QSize(0, 100);
}

void TestResources::listItemGeometry()
{
    QFETCH(int, items);
    QFETCH(QSize, size);
    QStringListModel model({QStringLiteral("a"), QStringLiteral("b")});
    QListView view;
    view.setModel(&model);
    view.setStyleSheet(StyleSheets::listView(StyleSheets::ListItems(items)));
    view.resize(300, 400);
    view.show();
    const QRect r = view.visualRect(model.index(1, 0));
    QCOMPARE(r.height(), size.height());
    if (size.width())
        QCOMPARE(view.sizeHintForIndex(model.index(1, 0)).width(), size.width());
}

void TestResources::unknownSheetIsEmpty()
{
    QVERIFY(StyleSheets::sheet(QStringLiteral("no-such-sheet")).isEmpty());
    QVERIFY(StyleSheets::sheet(QStringLiteral("../images/logo")).isEmpty());
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
