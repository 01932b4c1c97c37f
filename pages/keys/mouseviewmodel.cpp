#include "pages/keys/mouseviewmodel.h"

mouseViewModel::mouseViewModel(QObject *parent) : QAbstractListModel(parent) {}

int mouseViewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant mouseViewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size() || index.column() != 0)
        return QVariant();
    const MenuRow &row = m_rows.at(index.row());
    switch (role) {
    case 0:
        return row.lead;
    case 1:
        return row.text;
    case 2:
        return row.rowStyle;
    case Qt::AccessibleTextRole:
        // Icon rows lead with a resource path, which means nothing when read aloud.
        if (row.rowStyle == QLatin1String("1"))
            return row.text.isEmpty() ? row.lead : row.lead + QLatin1String(": ") + row.text;
        if (row.rowStyle == QLatin1String("0"))
            return row.text;
        return row.lead;
    default:
        return QVariant();
    }
}

bool mouseViewModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size() || index.column() != 0)
        return false;
    MenuRow &row = m_rows[index.row()];
    switch (role) {
    case 0:
        row.lead = value.toString();
        return true;
    case 1:
        row.text = value.toString();
        return true;
    case 2:
        row.rowStyle = value.toString();
        return true;
    default:
        return false;
    }
}

void mouseViewModel::appendRows(const MenuRowList &rows)
{
    if (rows.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
}

void mouseViewModel::clearRows()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}
