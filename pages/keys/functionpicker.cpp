#include "pages/keys/functionpicker.h"

#include <QVBoxLayout>

#include "model/mousedata.h"
#include "pages/keys/listsupport.h"
#include "pages/keys/menulistview.h"
#include "pages/keys/mouseviewdelegate.h"
#include "pages/keys/mouseviewmodel.h"

FunctionPicker::FunctionPicker(const QString &listName, StyleSheets::ListItems items,
                               const QList<Entry> &entries, QWidget *parent)
    : QFrame(parent), m_entries(entries)
{
    const MouseData *md = MouseData::instance();
    listView = new MenuListView(this);
    listView->setObjectName(listName);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(9, 20, 9, 9);
    layout->addWidget(listView);
    ListSupport::styleList(listView, items);

    model = new mouseViewModel(this);
    delegate = new mouseViewDelegate(this);
    MenuRowList rows;
    for (const Entry &e : m_entries)
        rows.append(MenuRow(md->languageText(e.textNumber), QString(), QStringLiteral("2")));
    model->appendRows(rows);
    listView->setModel(model);
    listView->setItemDelegate(delegate);

    connect(listView, &QListView::clicked, this, &FunctionPicker::clickedProc);
    // A profile switch (and every key layout sent) can change the current key's function.
    connect(md, &MouseData::refreashData, this, &FunctionPicker::showCurrentKey);
    connect(md, &MouseData::mouseValueChanged, this, &FunctionPicker::showCurrentKey);
}

void FunctionPicker::showCurrentKey()
{
    const MouseData *md = MouseData::instance();
    const KeyFunction *k = md->keyFunction(md->currentKey);
    int row = -1;
    for (int i = 0; k && i < m_entries.size(); ++i) {
        const Entry &e = m_entries.at(i);
        if (k->is(e.kind, e.param1, e.param2, e.param3)) {
            row = i;
            break;
        }
    }
    const QModelIndex index = row >= 0 ? model->index(row, 0) : QModelIndex();
    if (index.isValid()) {
        listView->setCurrentIndex(index);
    } else {
        listView->selectionModel()->clear();
    }
}

void FunctionPicker::clickedProc(const QModelIndex &index)
{
    const int r = index.isValid() ? index.row() : -1;
    if (r < 0 || r >= m_entries.size())
        return;
    const Entry &e = m_entries.at(r);
    MouseData::instance()->setKeyFunction(e.kind, e.param1, e.param2, e.param3,
                                          index.data(0).toString());
}
