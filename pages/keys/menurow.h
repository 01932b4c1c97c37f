#pragma once

#include <QList>
#include <QString>

// One row of every key-screen list: a key row ("1"), an icon row ("0") or a text row (other).
struct MenuRow
{
    QString lead;     // key number, icon path, or caption
    QString text;     // label or caption; empty in text rows
    QString rowStyle; // "1" key row, "0" icon row, anything else text row

    MenuRow() = default;
    MenuRow(const QString &l, const QString &t, const QString &s) : lead(l), text(t), rowStyle(s) {}
};

using MenuRowList = QList<MenuRow>;
