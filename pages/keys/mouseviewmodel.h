#pragma once

#include <QAbstractListModel>

#include "pages/keys/menurow.h"

// The rows of the key list and of every menu and picker. Role 0 is the lead, role 1 the second
// text, role 2 the row style; screen readers get a sentence from Qt::AccessibleTextRole.
class mouseViewModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit mouseViewModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Emits no change notification: callers repaint their view.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    void appendRows(const MenuRowList &rows);
    void clearRows();
    const MenuRowList &rows() const { return m_rows; }

private:
    MenuRowList m_rows;
};
