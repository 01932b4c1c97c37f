#include "pages/keys/mousefunctionmenu.h"

#include "model/mousedata.h"
#include "pages/keys/listsupport.h"
#include "pages/keys/menulistview.h"

// Button 5 (244) is listed before button 4 (243).
QList<FunctionPicker::Entry> MouseFunctionMenu::table()
{
    return {
        {16, 1, 0, 240, 0}, {17, 1, 0, 241, 0}, {18, 1, 0, 242, 0}, {20, 1, 0, 244, 0},
        {19, 1, 0, 243, 0}, {21, 1, 1, 240, 2}, {22, 1, 1, 241, 2}, {23, 1, 0, 247, 0},
        {24, 1, 0, 248, 0}, {25, 1, 0, 245, 0}, {26, 1, 0, 246, 0},
    };
}

MouseFunctionMenu::MouseFunctionMenu(QWidget *parent)
    : FunctionPicker(QStringLiteral("mouseFunMenuListView"), StyleSheets::MenuList, table(), parent)
{
    setObjectName(QStringLiteral("MouseFunctionMenu"));
    ListSupport::styleColumn(this, true);
    listView->setAccessibleName(MouseData::instance()->languageText(5));
}
