#include "pages/keys/childmenuwindow.h"

#include <QVBoxLayout>

#include "model/mousedata.h"
#include "pages/keys/listsupport.h"
#include "pages/keys/menulistview.h"
#include "pages/keys/mouseviewdelegate.h"
#include "pages/keys/mouseviewmodel.h"

namespace {

struct Media
{
    const char *icon;
    int textNumber;
    uchar usage;
};

const Media media[] = {
    {":menu/images/menu/volAddIcon.png", 36, 0xE9},  {":menu/images/menu/volSubIcon.png", 37, 0xEA},
    {":menu/images/menu/volMuteIcon.png", 38, 0xE2}, {":menu/images/menu/playIcon.png", 39, 0xCD},
    {":menu/images/menu/preIcon.png", 40, 0xB6},     {":menu/images/menu/nexIcon.png", 41, 0xB5},
};
constexpr int mediaCount = int(sizeof(media) / sizeof(media[0]));

} // namespace

childMenuWindow::childMenuWindow(QWidget *parent) : QFrame(parent)
{
    const MouseData *md = MouseData::instance();
    setObjectName(QStringLiteral("childMenuWindow"));
    childMenuListView = new MenuListView(this);
    childMenuListView->setObjectName(QStringLiteral("childMenuListView"));
    childMenuListView->setAccessibleName(md->languageText(8));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(9, 20, 9, 9);
    layout->addWidget(childMenuListView);
    ListSupport::styleColumn(this, true);
    ListSupport::styleList(childMenuListView, StyleSheets::MenuList);

    model = new mouseViewModel(this);
    delegate = new mouseViewDelegate(this);
    MenuRowList rows;
    for (const Media &m : media)
        rows.append(MenuRow(QLatin1String(m.icon), md->languageText(m.textNumber), QStringLiteral("0")));
    model->appendRows(rows);
    childMenuListView->setModel(model);
    childMenuListView->setItemDelegate(delegate);

    connect(childMenuListView, &QListView::clicked, this, &childMenuWindow::clickedProc);
}

void childMenuWindow::clickedProc(const QModelIndex &index)
{
    const int r = index.isValid() ? index.row() : -1;
    if (r < 0 || r >= mediaCount)
        return;
    MouseData::instance()->setKeyFunction(4, 0, media[r].usage, 0, index.data(1).toString());
}
