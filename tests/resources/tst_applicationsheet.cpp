#include "resources/stylesheets.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>
#include <memory>

#include "pages/performance/colorcombobox.h"
#include "pages/performance/colorcomboboxitem.h"
#include "pages/performance/formsupport.h"
#include "resources/lookcombobox.h"

using Build = std::function<QWidget *()>;
using Dress = std::function<void(QWidget *)>;
Q_DECLARE_METATYPE(Build)
Q_DECLARE_METATYPE(Dress)

namespace {

QImage shot(QWidget *w, bool hovered)
{
    w->setAttribute(Qt::WA_UnderMouse, hovered);
    const QList<QWidget *> children = w->findChildren<QWidget *>();
    for (QWidget *c : children)
        c->setAttribute(Qt::WA_UnderMouse, hovered);
    w->update();
    return w->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

QColor centre(QWidget *w)
{
    const QImage image = shot(w, false);
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

QColor edge(QWidget *w)
{
    const QImage image = shot(w, false);
    return image.pixelColor(image.width() / 2, 0);
}

QWidget *frameWithLabel()
{
    auto *frame = new QFrame;
    auto *layout = new QVBoxLayout(frame);
    layout->addWidget(new QLabel(QStringLiteral("text on the panel")));
    return frame;
}

QWidget *comboWithRows()
{
    auto *box = new QComboBox;
    box->setItemDelegate(new QStyledItemDelegate(box));
    box->addItems({QStringLiteral("one"), QStringLiteral("two")});
    return box;
}

QWidget *listWithRows()
{
    auto *view = new QListView;
    auto *model = new QStringListModel({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, view);
    view->setModel(model);
    view->setCurrentIndex(model->index(1, 0));
    return view;
}

QWidget *menuWithItems()
{
    auto *menu = new QMenu;
    menu->addAction(QStringLiteral("first"));
    menu->addAction(QStringLiteral("off"))->setEnabled(false);
    menu->addSeparator();
    menu->addAction(QStringLiteral("last"));
    return menu;
}

} // namespace

// The program's widgets only name their looks; the one application sheet must draw them as
// the widgets' own sheets did, states included.
class TestApplicationSheet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lookDrawsLikeItsOwnSheet_data();
    void lookDrawsLikeItsOwnSheet();
    void lookChangedOnAShownWidgetShows();
    void colourSlotStatesAndSwatches();
    void refusedEntryTurnsRed();
    void comboPopupBuiltWhenFirstOpened_data();
    void comboPopupBuiltWhenFirstOpened();
};

void TestApplicationSheet::initTestCase()
{
    StyleSheets::initResources();
    StyleSheets::installApplicationSheet();
    QCOMPARE(qApp->styleSheet(), StyleSheets::application());
    // Looks have names of their own: one name for two looks would give one of them both's rules.
    QSet<QString> names;
    for (int i = 0; i < StyleSheets::LookCount; ++i)
        names.insert(StyleSheets::lookName(StyleSheets::Look(i)));
    QCOMPARE(names.size(), int(StyleSheets::LookCount));
    QVERIFY(!names.contains(QString()));
}

void TestApplicationSheet::lookDrawsLikeItsOwnSheet_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<int>("look");
    QTest::addColumn<QString>("sheet");
    const Build push = [] { return new QPushButton(QStringLiteral("Button")); };
    const Build tool = [] { return new QToolButton; };
    QTest::newRow("push button") << push << int(StyleSheets::PushButtonLook) << StyleSheets::pushButton();
    QTest::newRow("macro button") << push << int(StyleSheets::MacroButtonLook) << StyleSheets::macroButton();
    QTest::newRow("check box") << Build([] {
        auto *b = new QCheckBox(QStringLiteral("choice"));
        b->setChecked(true);
        return b;
    }) << int(StyleSheets::CheckBoxLook) << StyleSheets::checkBox();
    QTest::newRow("line edit") << Build([] { return new QLineEdit(QStringLiteral("1600")); })
                               << int(StyleSheets::LineEditLook) << StyleSheets::lineEdit();
    QTest::newRow("slider") << Build([] {
        auto *s = new QSlider(Qt::Horizontal);
        s->setRange(0, 4);
        s->setValue(2);
        return s;
    }) << int(StyleSheets::SliderLook) << StyleSheets::slider();
    QTest::newRow("combo box") << Build(comboWithRows) << int(StyleSheets::Combo24Look)
                               << StyleSheets::comboBox(StyleSheets::Items24);
    QTest::newRow("effect button") << tool << int(StyleSheets::EffectButton2Look)
                                   << StyleSheets::effectButton(StyleSheets::SecondRow)
                                          + QStringLiteral("QToolButton:focus { border: 1px solid rgb(255, 255, 255); }");
    QTest::newRow("list") << Build(listWithRows) << int(StyleSheets::MenuListLook)
                          << StyleSheets::listView(StyleSheets::MenuList) + StyleSheets::listScrollBar();
    QTest::newRow("tray menu") << Build(menuWithItems) << int(StyleSheets::TrayMenuLook)
                               << StyleSheets::menu(StyleSheets::TrayMenu);
    QTest::newRow("context menu") << Build(menuWithItems) << int(StyleSheets::ContextMenuLook)
                                  << StyleSheets::menu(StyleSheets::ContextMenu);
    // Rules that reach children: the panel colours its label too.
    QTest::newRow("panel and its label") << Build(frameWithLabel) << int(StyleSheets::PagePanelLook)
                                         << StyleSheets::pagePanel();
    // The buttons exist (and are polished) before their box gets its look.
    QTest::newRow("button box") << Build([] {
        auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        box->show();
        return box;
    }) << int(StyleSheets::UpdateButtonsLook) << StyleSheets::updateDialogButton();
}

void TestApplicationSheet::lookDrawsLikeItsOwnSheet()
{
    QFETCH(Build, build);
    QFETCH(int, look);
    QFETCH(QString, sheet);
    std::unique_ptr<QWidget> own(build());
    own->setStyleSheet(sheet);
    std::unique_ptr<QWidget> tagged(build());
    StyleSheets::setLook(tagged.get(), StyleSheets::Look(look));
    for (QWidget *w : {own.get(), tagged.get()}) {
        w->adjustSize();
        w->resize(w->sizeHint().expandedTo(QSize(160, 30)));
        w->show();
    }
    QVERIFY(QTest::qWaitForWindowExposed(tagged.get()));
    QCOMPARE(tagged->size(), own->size());
    // A list lays its rows out once; the sheet set after the rows came decides their height.
    for (QWidget *w : {own.get(), tagged.get()})
        if (auto *view = qobject_cast<QAbstractItemView *>(w))
            view->doItemsLayout();
    for (bool hovered : {false, true}) {
        const QImage a = shot(own.get(), hovered);
        const QImage b = shot(tagged.get(), hovered);
        if (a != b && qEnvironmentVariableIsSet("LOOK_DUMP")) {
            a.save(QStringLiteral("/tmp/look-own-%1.png").arg(QTest::currentDataTag()));
            b.save(QStringLiteral("/tmp/look-tagged-%1.png").arg(QTest::currentDataTag()));
        }
        QVERIFY2(a == b, hovered ? "differs under the pointer" : "differs");
    }
}

void TestApplicationSheet::lookChangedOnAShownWidgetShows()
{
    // The title-bar buttons change look on hover, after they were shown.
    QPushButton button;
    button.setObjectName(QStringLiteral("minBtn"));
    button.resize(46, 40);
    button.setFocusPolicy(Qt::NoFocus);   // focus looks like hover
    StyleSheets::setLook(&button, StyleSheets::TitleButtonLook);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QCOMPARE(centre(&button), QColor(43, 43, 43));
    StyleSheets::setLook(&button, StyleSheets::TitleButtonHoverLook);
    QCOMPARE(centre(&button), QColor(26, 26, 26));
    StyleSheets::setLook(&button, StyleSheets::TitleButtonLook);
    QCOMPARE(centre(&button), QColor(43, 43, 43));
}

void TestApplicationSheet::colourSlotStatesAndSwatches()
{
    ColorComboBox slot;
    slot.setFocusPolicy(Qt::NoFocus);   // focus shows as a white border
    slot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slot));
    QCOMPARE(edge(&slot), QColor(106, 106, 106));
    slot.setSelected(true);
    QCOMPARE(edge(&slot), QColor(255, 80, 0));
    slot.setSelected(false);
    QCOMPARE(edge(&slot), QColor(106, 106, 106));

    // Every colour of the palette is drawn by its own rule of the application sheet.
    QCOMPARE(slot.swatches().size(), slot.palette.size());
    for (ColorComboboxItem *item : slot.swatches()) {
        item->ensurePolished();
        const QImage image = item->grab().toImage();
        QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2), QColor(item->color));
    }
}

void TestApplicationSheet::refusedEntryTurnsRed()
{
    QLineEdit edit(QStringLiteral("300"));
    edit.resize(64, 24);
    StyleSheets::setLook(&edit, StyleSheets::LineEditLook);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QCOMPARE(edge(&edit), QColor(0x69, 0x69, 0x69));
    FormSupport::markRefused(&edit, QStringLiteral("too large"));
    QCOMPARE(edge(&edit), QColor(255, 60, 60));
    // The mark wins over the hover border, as it did from the edit's own sheet.
    const QImage hovered = shot(&edit, true);
    QCOMPARE(hovered.pixelColor(hovered.width() / 2, 0), QColor(255, 60, 60));
    FormSupport::markRefused(&edit, QString());
    QCOMPARE(edge(&edit), QColor(0x69, 0x69, 0x69));
}

void TestApplicationSheet::comboPopupBuiltWhenFirstOpened_data()
{
    QTest::addColumn<int>("look");
    QTest::addColumn<int>("items");
    QTest::addColumn<QString>("extra");
    QTest::newRow("24") << int(StyleSheets::Combo24Look) << int(StyleSheets::Items24) << QString();
    QTest::newRow("27") << int(StyleSheets::Combo27Look) << int(StyleSheets::Items27)
                        << StyleSheets::comboPopupScrollBar()
                               + QStringLiteral("QComboBox { min-height: 27px; }"
                                                "QComboBox:focus { border: 1px solid rgb(255, 80, 0); }");
}

// Opened, a box's popup looks as it did with the box's own sheet (frame included: the popup
// takes it from the look when it is made), whether the box took its delegate at once or, as
// a LookComboBox, only when first opened; until then that one has no popup at all.
void TestApplicationSheet::comboPopupBuiltWhenFirstOpened()
{
    QFETCH(int, look);
    QFETCH(int, items);
    QFETCH(QString, extra);
    const QStringList rows{QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")};
    QComboBox own;
    QComboBox early;
    LookComboBox late;
    const QList<QComboBox *> boxes{&own, &early, &late};
    StyleSheets::styleComboBox(&own, StyleSheets::ComboItems(items), extra);
    StyleSheets::setComboLook(&early, StyleSheets::Look(look));
    StyleSheets::setComboLook(&late, StyleSheets::Look(look));
    for (QComboBox *box : boxes) {
        box->addItems(rows);
        box->setFocusPolicy(Qt::NoFocus); // each is a window; the last shown would have focus
        box->resize(160, 30);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box));
    }
    QVERIFY(early.findChild<QAbstractItemView *>());
    QVERIFY(!late.findChild<QAbstractItemView *>());
    QCOMPARE(shot(&late, false), shot(&own, false));

    QList<QImage> popups;
    for (QComboBox *box : boxes) {
        box->showPopup();
        QWidget *popup = box->view()->window();
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        QCOMPARE(box->itemDelegate()->metaObject(), &QStyledItemDelegate::staticMetaObject);
        popups << popup->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        box->hidePopup();
    }
    QVERIFY2(popups.at(1) == popups.at(0), "a box given its delegate at once");
    QVERIFY2(popups.at(2) == popups.at(0), "a box given its delegate when opened");
    // Opened again, the box keeps the delegate it took.
    QAbstractItemDelegate *taken = late.itemDelegate();
    late.showPopup();
    QCOMPARE(late.itemDelegate(), taken);
    late.hidePopup();
}

QTEST_MAIN(TestApplicationSheet)
#include "tst_applicationsheet.moc"
