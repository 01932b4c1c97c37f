#include "resources/stylesheets.h"

#include "resources/lookcombobox.h"

#include <QApplication>
#include <QComboBox>
#include <QStyle>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QStyledItemDelegate>

// Q_INIT_RESOURCE must be used outside any namespace. Referencing it here also
// keeps the resource object in the link when the UI library is static.
static void registerCompiledResources()
{
    Q_INIT_RESOURCE(resources);
}

void StyleSheets::initResources()
{
    static const bool done = (registerCompiledResources(), true);
    Q_UNUSED(done);
}

QString StyleSheets::sheet(const QString &name)
{
    initResources();
    static QMutex mutex;
    static QHash<QString, QString> cache;
    QMutexLocker lock(&mutex);
    auto it = cache.constFind(name);
    if (it != cache.constEnd())
        return *it;
    QString text;
    QFile file(QStringLiteral(":/styles/") + name + QStringLiteral(".qss"));
    if (file.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(file.readAll());
    cache.insert(name, text);
    return text;
}

namespace {

QString fill(QString text, const char *key, const QString &value)
{
    return text.replace(QLatin1Char('@') + QLatin1String(key) + QLatin1Char('@'), value);
}

} // namespace

QString StyleSheets::pagePanel() { return sheet(QStringLiteral("panel")); }
QString StyleSheets::pageFrame() { return sheet(QStringLiteral("pageframe")); }
QString StyleSheets::titleLabel() { return sheet(QStringLiteral("titlelabel")); }
QString StyleSheets::plainLabel() { return sheet(QStringLiteral("label")); }
QString StyleSheets::hoverLabel() { return sheet(QStringLiteral("hoverlabel")); }
QString StyleSheets::checkBox() { return sheet(QStringLiteral("checkbox")); }
QString StyleSheets::lineEdit() { return sheet(QStringLiteral("lineedit")); }
QString StyleSheets::comboPopupScrollBar() { return sheet(QStringLiteral("combopopupscrollbar")); }
QString StyleSheets::slider() { return sheet(QStringLiteral("slider")); }
QString StyleSheets::pushButton() { return sheet(QStringLiteral("pushbutton")); }
QString StyleSheets::macroButton() { return sheet(QStringLiteral("macrobutton")); }
QString StyleSheets::fieldButton() { return sheet(QStringLiteral("fieldbutton")); }
QString StyleSheets::flatTextButton() { return sheet(QStringLiteral("flatbutton")); }
QString StyleSheets::inputDialogButton() { return sheet(QStringLiteral("inputdialogbutton")); }
QString StyleSheets::updateDialogButton() { return sheet(QStringLiteral("updatedialogbutton")); }
QString StyleSheets::navButton() { return sheet(QStringLiteral("navbutton")); }
QString StyleSheets::listScrollBar() { return sheet(QStringLiteral("listscrollbar")); }

QString StyleSheets::comboBox(ComboItems items)
{
    const QString base = sheet(QStringLiteral("combobox"));
    switch (items) {
    case Items24:
        return base + fill(sheet(QStringLiteral("comboboxitems")), "height", QStringLiteral("24"));
    case Items27:
        return base + fill(sheet(QStringLiteral("comboboxitems")), "height", QStringLiteral("27"));
    case ColorSlot:
        return base + sheet(QStringLiteral("comboboxslot"));
    }
    return base;
}

QString StyleSheets::effectButton(EffectRow row)
{
    return fill(sheet(QStringLiteral("effectbutton")), "padding",
                row == SecondRow ? QStringLiteral("16") : QStringLiteral("8"));
}

QString StyleSheets::listView(ListItems items)
{
    QString height = QStringLiteral("40");
    QString width;
    QString radius = QStringLiteral("0");
    switch (items) {
    case MenuList:
        width = QStringLiteral("width: 158px;");
        break;
    case DpiList:
        width = QStringLiteral("width: 168px;");
        break;
    case MacroList40:
        break;
    case MacroList100:
        height = QStringLiteral("100");
        break;
    }
    QString text = sheet(QStringLiteral("listview"));
    text = fill(text, "height", height);
    text = fill(text, "width", width);
    return fill(text, "radius", radius);
}

QString StyleSheets::menu(MenuKind kind)
{
    const bool tray = kind == TrayMenu;
    QString text = fill(sheet(QStringLiteral("menu")), "height",
                        tray ? QStringLiteral("22") : QStringLiteral("24"));
    return fill(text, "selected",
                tray ? QStringLiteral("rgba(255, 255, 255, 40)") : QStringLiteral("rgba(255, 80, 0, 255)"));
}

void StyleSheets::usePlainDelegate(QComboBox *box)
{
    QAbstractItemDelegate *current = box->itemDelegate();
    const bool plain = current && current->metaObject() == &QStyledItemDelegate::staticMetaObject;
    if (!plain)
        box->setItemDelegate(new QStyledItemDelegate(box));
}

void StyleSheets::styleComboBox(QComboBox *box, ComboItems items, const QString &extra)
{
    if (!box)
        return;
    usePlainDelegate(box);
    box->setStyleSheet(comboBox(items) + extra);
}

namespace {

struct LookDef
{
    const char *name;
    // Where an outer look has a weightier rule for the same widget (the palette table in a
    // colour slot's popup), a higher rank outweighs it, as a widget's own sheet outweighed
    // its parents' sheets. Otherwise inner looks win by coming later.
    int rank;
    // The rules reach the widget's children too, as they did from the widget's own sheet.
    bool children;
};

constexpr LookDef lookDefs[] = {
    {"mainWindow", 1, false},      {"profileBar", 1, false},
    {"pagePanel", 1, true},        {"pageFrame", 1, true},       {"mouseWindow", 1, true},
    {"navColumn", 1, true},        {"dpiPage", 1, false},        {"lightPage", 1, false},
    {"sensorPage", 1, false},      {"inputDialog", 1, false},    {"updateDialog", 1, true},
    {"rulesDialog", 1, false},      {"titleLabel", 1, false},     {"plainLabel", 1, false},
    {"macroBindLabel", 1, false},  {"accentLabel", 1, false},    {"transparentLabel", 1, false},
    {"dpiCardTitle", 1, false},    {"pinLabel", 1, false},       {"sensorValue", 1, false},
    {"noticeBar", 1, false},       {"noMouseNotice", 1, false},  {"checkBox", 1, false},
    {"focusCheckBox", 1, false},   {"lineEdit", 1, false},       {"listLineEdit", 1, false},
    {"combo24", 1, true},          {"combo27", 1, true},         {"slider", 1, false},
    {"pushButton", 1, false},      {"listButton", 1, false},     {"menuButton", 1, false},
    {"macroButton", 1, false},     {"fieldButton", 1, false},    {"flatTextButton", 1, false},
    {"effectButton1", 1, false},   {"effectButton2", 1, false},  {"menuList", 1, true},
    {"dpiList", 1, true},          {"macroList", 1, true},       {"trayMenu", 1, false},
    {"contextMenu", 1, false},     {"titleButton", 1, false},    {"titleButtonHover", 1, false},
    {"settingButton", 1, false},   {"settingButtonHover", 1, false}, {"macroPanel", 1, false},
    {"colorSlot", 1, true},        {"colorSlotSelected", 1, true},
    {"inputText", 1, false},       {"inputButtonBox", 1, false}, {"inputButton", 1, false},
    {"updateButtons", 1, true},    {"ruleTable", 1, true},   {"folderIcon", 1, false},
    {"paletteTable", 2, false},    {"paletteSwatch", 1, false},
};
static_assert(sizeof(lookDefs) / sizeof(*lookDefs) == StyleSheets::LookCount, "one entry per look");

QString titleButton(bool hovered, bool setting)
{
    QString text = QStringLiteral("QPushButton { %1 }")
                       .arg(hovered ? QStringLiteral("background-color: rgb(26, 26, 26); border: none;")
                                    : QStringLiteral("background-color: rgb(43, 43, 43); border: none;"));
    // Keyboard focus looks like the pointer's hover, so the bar keeps its look.
    text += QStringLiteral("QPushButton:focus { background-color: rgb(26, 26, 26); outline: none; }");
    if (setting)
        text += QStringLiteral("QPushButton::menu-indicator { image: none; width: 0px; }");
    return text;
}

QString colorSlot(bool selected)
{
    return StyleSheets::comboBox(StyleSheets::ColorSlot)
        + (selected ? QStringLiteral("QComboBox{ \nborder:1px solid #ff5000;\n}\n ")
                    : QStringLiteral("QComboBox{ \nborder:1px solid rgb(106,106,106);\n}\n "))
        // Keyboard focus shows as a white border where the state border would be.
        + QStringLiteral("QComboBox:focus{ border:1px solid #ffffff; }");
}

// The rules of each look as the widgets of that look had them in their own sheets.
QString lookText(StyleSheets::Look look)
{
    using S = StyleSheets;
    const QString focusCheck = QStringLiteral("QCheckBox:focus { color: rgb(255, 80, 0); }");
    const QString focusRing = QStringLiteral(":focus { border: 1px solid rgb(255, 255, 255); }");
    switch (look) {
    case S::MainWindowLook:
        return QStringLiteral("QMainWindow#MainWindow { background-color: rgb(43, 43, 43); }");
    case S::ProfileBarLook:
        return QStringLiteral("QFrame#profileBar { background-color: rgba(255, 255, 255, 0); }");
    case S::PagePanelLook:
        return S::pagePanel();
    case S::PageFrameLook:
        return S::pageFrame();
    case S::MouseWindowLook:
        return S::pageFrame() + S::plainLabel() + S::checkBox() + focusCheck;
    case S::NavColumnLook:
        return S::pagePanel() + S::navButton() + QStringLiteral("QPushButton") + focusRing;
    case S::DpiPageLook:
        return QStringLiteral("QFrame#DPIWindow { background-color: rgba(255, 255, 255, 0); }");
    case S::LightPageLook:
        return QStringLiteral("QFrame#LightWindow { background-color: rgba(255, 255, 255, 0); }");
    case S::SensorPageLook:
        return QStringLiteral("QFrame#SensorWindow { background-color: rgb(26, 26, 26); }");
    case S::TitleLabelLook:
        return S::titleLabel();
    case S::PlainLabelLook:
        return S::plainLabel();
    case S::MacroBindLabelLook:
        return S::hoverLabel() + QStringLiteral("QLabel:focus { color: rgb(255, 80, 0); }");
    case S::AccentLabelLook:
        return QStringLiteral("QLabel{color: rgb(255, 80, 0);}");
    case S::TransparentLabelLook:
        return QStringLiteral("QLabel { color: rgb(255, 255, 255); background: transparent; }");
    case S::DpiCardTitleLook:
        return QStringLiteral("QLabel { color: rgb(255, 255, 255); padding-top: 8px; "
                              "padding-bottom: 8px; background: transparent; }");
    case S::PinLabelLook:
        return QStringLiteral("QLabel { background: transparent; }");
    case S::SensorValueLook:
        return QStringLiteral("QLabel { color: rgb(255, 255, 255); font-size: 36px; }");
    case S::NoticeBarLook:
        return QStringLiteral(
            "QLabel#noticeBar { background-color: rgb(68, 69, 73); color: rgb(255, 255, 255);"
            " border: 1px solid rgb(255, 80, 0); border-radius: 4px; padding: 8px 16px; font-size: 16px; }");
    case S::NoMouseNoticeLook:
        return QStringLiteral(
            "QLabel#noMouseNotice { background-color: rgb(26, 26, 26); color: rgb(255, 255, 255);"
            " font-size: 20px; padding: 80px; }");
    case S::CheckBoxLook:
        return S::checkBox();
    case S::FocusCheckBoxLook:
        return S::checkBox() + focusCheck;
    case S::LineEditLook:
        // A refused entry is marked in red, over the hover border.
        return S::lineEdit() + QStringLiteral("QLineEdit[refused=\"true\"] { border: 1px solid rgb(255, 60, 60); }");
    case S::ListLineEditLook:
        return S::lineEdit()
            + QStringLiteral("QLineEdit { min-height: 27px; }"
                             "QLineEdit:focus { border: 1px solid #ff5000; }"
                             "QLineEdit:disabled { color: rgb(155, 155, 155); }");
    case S::Combo24Look:
        return S::comboBox(S::Items24);
    case S::Combo27Look:
        return S::comboBox(S::Items27) + S::comboPopupScrollBar()
            + QStringLiteral("QComboBox { min-height: 27px; }"
                             "QComboBox:focus { border: 1px solid rgb(255, 80, 0); }");
    case S::SliderLook:
        return S::slider();
    case S::PushButtonLook:
        return S::pushButton();
    case S::ListButtonLook:
        return S::pushButton()
            + QStringLiteral("QPushButton { min-height: 27px; }"
                             "QPushButton:focus { background-color: #ff5001; }");
    case S::MenuButtonLook:
        return S::pushButton() + QStringLiteral("QPushButton::menu-indicator { image: none; width: 0px; }");
    case S::MacroButtonLook:
        return S::macroButton();
    case S::FieldButtonLook:
        return S::fieldButton()
            + QStringLiteral("QPushButton { min-height: 27px; }"
                             "QPushButton:focus { border: 1px solid #ff5000; }"
                             "QPushButton:disabled { color: rgb(155, 155, 155); }");
    case S::FlatTextButtonLook:
        return S::flatTextButton() + QStringLiteral("QPushButton:focus { text-decoration: underline; }");
    case S::EffectButton1Look:
        return S::effectButton(S::FirstRow) + QStringLiteral("QToolButton") + focusRing;
    case S::EffectButton2Look:
        return S::effectButton(S::SecondRow) + QStringLiteral("QToolButton") + focusRing;
    case S::MenuListLook:
        return S::listView(S::MenuList) + S::listScrollBar();
    case S::DpiListLook:
        return S::listView(S::DpiList) + S::listScrollBar();
    case S::MacroListLook:
        return S::listView(S::MacroList40) + S::listScrollBar();
    case S::TrayMenuLook:
        return S::menu(S::TrayMenu);
    case S::ContextMenuLook:
        return S::menu(S::ContextMenu);
    case S::TitleButtonLook:
        return titleButton(false, false);
    case S::TitleButtonHoverLook:
        return titleButton(true, false);
    case S::SettingButtonLook:
        return titleButton(false, true);
    case S::SettingButtonHoverLook:
        return titleButton(true, true);
    case S::MacroPanelLook:
        return QStringLiteral("QFrame{background-color: rgb(43, 43, 43); border-radius: 8px;}");
    case S::ColorSlotLook:
        return colorSlot(false);
    case S::ColorSlotSelectedLook:
        return colorSlot(true);
    case S::FolderIconLook:
        return QStringLiteral("QToolButton { border-image: url(:menu/images/menu/folder.png); border: none; }");
    case S::PaletteTableLook:
        return QStringLiteral("QTableView { border: none; padding-top: 7px; padding-left: 6px; "
                              "background-color: rgb(49, 49, 49); }");
    case S::PaletteSwatchLook:
        return S::sheet(QStringLiteral("colorswatch"));
    case S::InputDialogLook:
        return QStringLiteral("QDialog{\n\tbackground-color: rgb(26, 26, 26);\n}");
    case S::UpdateDialogLook:
        return QStringLiteral(
            "QDialog#UpdateDialog { background-color: rgb(26, 26, 26); }"
            "QFrame#widget { border: 1px solid #FF5000; background-color: rgb(26, 26, 26); }"
            "QLabel { border: none; background: transparent; }"
            "QLabel#title { color: rgb(255, 80, 0); font-size: 27px; }"
            "QLabel#firstTxt, QLabel#secondTxt, QLabel#thirdTxt { color: rgb(255, 80, 0); font-size: 20px; }");
    case S::RulesDialogLook:
        return QStringLiteral("QDialog#profileRulesDialog { background-color: rgb(26, 26, 26); }");
    case S::InputTextLook:
        return QStringLiteral("QLabel{\n\tfont-size:16px;\n\tcolor: rgb(255, 255, 255);\n}");
    case S::InputButtonBoxLook:
        return QStringLiteral("QDialogButtonBox{\n\tbackground-color: rgb(255, 26, 26);\n}");
    case S::InputButtonLook:
        return S::inputDialogButton() + QStringLiteral("QPushButton:focus{border:1px solid #ff8000;}");
    case S::UpdateButtonsLook:
        return S::updateDialogButton();
    case S::RuleTableLook:
        return QStringLiteral("QTableWidget { background-color: rgb(49, 49, 49); color: white; "
                              "border: 1px solid rgb(106, 106, 106); }"
                              "QHeaderView::section { background-color: rgb(43, 43, 43); color: white; border: none; }");
    case S::LookCount:
        break;
    }
    return QString();
}

// Confines each rule of `text` to widgets tagged `tag` (the tag added to the first
// compound of each selector), and with `children` also to their descendants.
QString scoped(const QString &text, const QString &tag, bool children)
{
    QString out;
    int pos = 0;
    while (pos < text.size()) {
        const int open = text.indexOf(QLatin1Char('{'), pos);
        if (open < 0)
            break;
        const int close = text.indexOf(QLatin1Char('}'), open);
        if (close < 0)
            break;
        QStringList selectors;
        const QStringList parts = text.mid(pos, open - pos).split(QLatin1Char(','));
        for (const QString &part : parts) {
            const QString selector = part.simplified();
            if (selector.isEmpty())
                continue;
            int type = 0;
            while (type < selector.size()
                   && (selector.at(type).isLetterOrNumber() || selector.at(type) == QLatin1Char('_')
                       || selector.at(type) == QLatin1Char('-') || selector.at(type) == QLatin1Char('*')))
                ++type;
            // After the selector's own attributes: the most selective test runs first.
            while (type < selector.size() && selector.at(type) == QLatin1Char('[')) {
                const int end = selector.indexOf(QLatin1Char(']'), type);
                if (end < 0)
                    break;
                type = end + 1;
            }
            selectors << selector.left(type) + tag + selector.mid(type);
            if (children)
                selectors << tag + QLatin1Char(' ') + selector;
        }
        out += selectors.join(QStringLiteral(", ")) + QLatin1Char(' ') + text.mid(open, close - open + 1)
            + QLatin1Char('\n');
        pos = close + 1;
    }
    return out;
}

} // namespace

QString StyleSheets::lookName(Look look)
{
    return look >= 0 && look < LookCount ? QLatin1String(lookDefs[look].name) : QString();
}

QString StyleSheets::application()
{
    static const QString text = [] {
        QString all;
        for (int i = 0; i < LookCount; ++i) {
            const LookDef &def = lookDefs[i];
            const QString tag = QStringLiteral("[look=\"%1\"]").arg(QLatin1String(def.name)).repeated(def.rank);
            all += scoped(lookText(Look(i)), tag, def.children);
        }
        // The tray's balloon (the DPI pop-up where there is no notification service) paints a
        // pale yellow of its own under the application's white text: the tooltips' colours.
        all += QStringLiteral("QBalloonTip { background-color: rgb(68, 69, 73); }"
                              "QBalloonTip QLabel { color: rgb(225, 225, 225); background: transparent; }");
        return all;
    }();
    return text;
}

void StyleSheets::installApplicationSheet()
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (app && app->styleSheet().isEmpty())
        app->setStyleSheet(application());
}

void StyleSheets::setLook(QWidget *widget, Look look)
{
    if (!widget || look < 0 || look >= LookCount)
        return;
    installApplicationSheet();
    const QString name = lookName(look);
    if (widget->property("look").toString() == name)
        return;
    widget->setProperty("look", name);
    // Rules are matched when a widget is polished: what was polished before (a shown widget,
    // the buttons a button box shows at once) is matched again, children too where the look
    // reaches them.
    const auto repolish = [](QWidget *w) {
        if (w->testAttribute(Qt::WA_WState_Polished)) {
            w->style()->unpolish(w);
            w->style()->polish(w);
            w->update();
        }
    };
    repolish(widget);
    if (lookDefs[look].children) {
        const QList<QWidget *> children = widget->findChildren<QWidget *>();
        for (QWidget *child : children)
            repolish(child);
    }
}

void StyleSheets::setComboLook(QComboBox *box, Look look)
{
    if (!box)
        return;
    // The popup takes its frame from the look when it is made: after the look, not before.
    setLook(box, look);
    if (!qobject_cast<LookComboBox *>(box))
        usePlainDelegate(box);
}
