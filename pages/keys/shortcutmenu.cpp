#include "pages/keys/shortcutmenu.h"

#include "model/mousedata.h"
#include "pages/keys/listsupport.h"
#include "pages/keys/menulistview.h"

// E0 left Ctrl, E2 left Alt, E3 left Windows key, 2C Space; consumer usages low byte first.
QList<FunctionPicker::Entry> ShortcutMenu::table()
{
    return {
        {42, 5, 0, 0xE0, 0x1B},    {43, 5, 0, 0xE0, 0x06},    {44, 5, 0, 0xE0, 0x19},
        {45, 5, 0, 0xE0, 0x16},    {46, 5, 0, 0xE0, 0x13},    {47, 5, 0, 0xE0, 0x1D},
        {48, 5, 0, 0xE0, 0x04},    {49, 5, 0, 0x94, 0x01},    {50, 5, 0, 0x21, 0x02},
        {51, 5, 0xE2, 0x2C, 0x1B}, {52, 5, 0xE2, 0x2C, 0x11}, {53, 5, 0, 0xE3, 0x15},
    };
}

ShortcutMenu::ShortcutMenu(QWidget *parent)
    : FunctionPicker(QStringLiteral("shortcutMenuListView"), StyleSheets::MenuList, table(), parent)
{
    setObjectName(QStringLiteral("ShortcutMenu"));
    ListSupport::styleColumn(this, true);
    listView->setAccessibleName(MouseData::instance()->languageText(9));
}
