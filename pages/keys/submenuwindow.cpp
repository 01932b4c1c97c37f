#include "pages/keys/submenuwindow.h"

#include <QVBoxLayout>

#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/keys/listsupport.h"
#include "pages/keys/menulistview.h"
#include "pages/keys/mouseviewdelegate.h"
#include "pages/keys/mouseviewmodel.h"

namespace {

struct Category
{
    const char *icon;
    int textNumber;
};

const Category categories[] = {
    {":menu/images/menu/defaultIcon.png", 3},  {":menu/images/menu/keyboardIcon.png", 4},
    {":menu/images/menu/mouseIcon.png", 5},    {":menu/images/menu/macroIcon.png", 6},
    {":menu/images/menu/programIcon.png", 7},  {":menu/images/menu/multimediaIcon.png", 8},
    {":menu/images/menu/shortCutIcon.png", 9}, {":menu/images/menu/profileIcon.png", 10},
    {":menu/images/menu/disableIcon.png", 11},
};

} // namespace

subMenuWindow::subMenuWindow(QWidget *parent) : QFrame(parent)
{
    const MouseData *md = MouseData::instance();
    setObjectName(QStringLiteral("subMenuWindow"));
    subMenuListView = new MenuListView(this);
    subMenuListView->setObjectName(QStringLiteral("subMenuListView"));
    subMenuListView->setAccessibleName(md->languageText(57));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(9, 20, 9, 9);
    layout->addWidget(subMenuListView);
    ListSupport::styleColumn(this, true);
    ListSupport::styleList(subMenuListView, StyleSheets::MenuList);

    model = new mouseViewModel(this);
    delegate = new mouseViewDelegate(this);
    MenuRowList rows;
    for (const Category &c : categories)
        rows.append(MenuRow(QLatin1String(c.icon), md->languageText(c.textNumber), QStringLiteral("0")));
    model->appendRows(rows);
    subMenuListView->setModel(model);
    subMenuListView->setItemDelegate(delegate);

    connect(subMenuListView, &QListView::clicked, this, &subMenuWindow::clickedProc);
}

void subMenuWindow::clickedProc(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const int r = index.row();
    category = r;
    MouseData *md = MouseData::instance();
    if (r == 0) {
        if (const KeyFunction *f = MouseDefaultData::instance()->defaultKeyFunction(md->currentKey)) {
            const KeyFunction code = *f;
            md->setKeyFunction(code.kind, code.param1, code.param2, code.param3,
                               md->functionText(code.kind, code.param1, code.param2, code.param3));
        }
    } else if (r == 8) {
        md->setKeyFunction(0, 0, 0, 0, index.data(1).toString());
    }
    emit menuControl();
}
