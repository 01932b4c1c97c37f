#include "pages/keys/dpimenu.h"

#include "model/mousedata.h"
#include "pages/keys/listsupport.h"
#include "pages/keys/menulistview.h"

QList<FunctionPicker::Entry> DpiMenu::table()
{
    return {{54, 6, 1, 0, 0}, {55, 6, 2, 0, 0}, {56, 6, 3, 0, 0}};
}

DpiMenu::DpiMenu(QWidget *parent)
    : FunctionPicker(QStringLiteral("dpiMenuListView"), StyleSheets::DpiList, table(), parent)
{
    setObjectName(QStringLiteral("DpiMenu"));
    ListSupport::styleColumn(this, true);
    listView->setAccessibleName(MouseData::instance()->languageText(10));
}
