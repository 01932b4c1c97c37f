#pragma once

#include <QFrame>
#include <QList>
#include <QModelIndex>

#include "resources/stylesheets.h"

class MenuListView;
class mouseViewModel;
class mouseViewDelegate;

// A third-level column with a fixed list of functions: a click assigns the row's code to the
// current key, labelled with the row's caption.
class FunctionPicker : public QFrame
{
    Q_OBJECT
public:
    struct Entry
    {
        int textNumber;
        uchar kind, param1, param2, param3;
    };

    MenuListView *listView = nullptr;
    mouseViewModel *model = nullptr;
    mouseViewDelegate *delegate = nullptr;

    const QList<Entry> &entries() const { return m_entries; }

public slots:
    void clickedProc(const QModelIndex &index);
    // Marks the row of the current key's function, or none.
    void showCurrentKey();

protected:
    FunctionPicker(const QString &listName, StyleSheets::ListItems items, const QList<Entry> &entries,
                   QWidget *parent);

private:
    QList<Entry> m_entries;
};
