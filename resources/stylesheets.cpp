#include "resources/stylesheets.h"

#include <QComboBox>
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

void StyleSheets::styleComboBox(QComboBox *box, ComboItems items, const QString &extra)
{
    if (!box)
        return;
    QAbstractItemDelegate *current = box->itemDelegate();
    const bool plain = current && current->metaObject() == &QStyledItemDelegate::staticMetaObject;
    if (!plain)
        box->setItemDelegate(new QStyledItemDelegate(box));
    box->setStyleSheet(comboBox(items) + extra);
}
