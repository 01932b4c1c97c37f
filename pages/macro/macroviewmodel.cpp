#include "pages/macro/macroviewmodel.h"

#include "model/mousedata.h"


MacroViewModel::MacroViewModel(QObject *parent) : QAbstractListModel(parent) {}

int MacroViewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant MacroViewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size() || index.column() != 0)
        return {};
    const Row &r = m_rows.at(index.row());
    switch (role) {
    case 0: return r.lead;
    case 1: return r.text;
    case 2: return r.style;
    case Qt::AccessibleTextRole: return spokenText(r);
    case Qt::AccessibleDescriptionRole:
        // The row's menu button is painted, so its keyboard way is told instead.
        return r.style == QLatin1String("1") ? extraText(RowMenuHint) : QVariant();
    default: return {};
    }
}

bool MacroViewModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size() || role < 0 || role > 2)
        return false;
    Row &r = m_rows[index.row()];
    QString *field = role == 0 ? &r.lead : role == 1 ? &r.text : &r.style;
    *field = value.toString();
    emit dataChanged(index, index, {role, Qt::AccessibleTextRole});
    return true;
}

Qt::ItemFlags MacroViewModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void MacroViewModel::appendRow(const Row &row)
{
    insertRow(row, int(m_rows.size()));
}

void MacroViewModel::insertRow(const Row &row, int position)
{
    if (position < 0 || position > m_rows.size())
        position = int(m_rows.size());
    beginInsertRows(QModelIndex(), position, position);
    m_rows.insert(position, row);
    endInsertRows();
}

void MacroViewModel::appendRows(const QList<Row> &rows)
{
    if (rows.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
}

bool MacroViewModel::moveRow(int from, int to)
{
    const int n = int(m_rows.size());
    if (from < 0 || from >= n || to < 0 || to >= n)
        return false;
    if (from == to)
        return true;
    // beginMoveRows counts the destination before the move takes place.
    const int destination = to > from ? to + 1 : to;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), destination);
    m_rows.move(from, to);
    endMoveRows();
    return true;
}

MacroViewModel::Row MacroViewModel::removeRow(int position)
{
    if (position < 0 || position >= m_rows.size())
        return {};
    beginRemoveRows(QModelIndex(), position, position);
    Row r = m_rows.takeAt(position);
    endRemoveRows();
    return r;
}

void MacroViewModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString MacroViewModel::spokenText(const Row &row)
{
    if (row.style == QLatin1String("1"))
        return row.text;
    if (row.lead == delayIcon) {
        // "50 ms delay"
        return QStringLiteral("%1 %2 %3").arg(row.text, MouseData::instance()->languageText(85),
                                              MouseData::instance()->languageText(92));
    }
    const bool down = row.lead == keyDownIcon || row.lead == mouseDownIcon;
    return QStringLiteral("%1 %2").arg(row.text, extraText(down ? Press : Release));
}

QString MacroViewModel::extraText(ExtraText which)
{
    struct Text
    {
        int number; // in the language tables
        const char *english;
    };
    static const Text texts[] = {
        {120, "press"},
        {121, "release"},
        {122, "Menu key: rename or delete"},
        {123, "Only the first %1 of %2 key actions fit in the mouse's macro memory."},
        {124, "The file could not be imported."},
        {125, "The macro could not be exported."},
        {126, "Add macro"},
        {127, "Import"},
        {128, "Export"},
        {129, "Record"},
    };
    const Text &t = texts[which];
    const QString table = t.number >= 0 ? MouseData::instance()->languageText(t.number) : QString();
    return table.isEmpty() ? QString::fromUtf8(t.english) : table;
}
