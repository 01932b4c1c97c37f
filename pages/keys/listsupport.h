#pragma once

#include <QString>

class QListView;
class QFrame;

// Look shared by the key screen's columns and lists.
class ListSupport
{
public:
    // A column frame on the page background, at least 176 wide (200 on large screens).
    static void styleColumn(QFrame *frame, bool minimumSize);
    // A menu list: transparent, rows of the given width and 40 px height.
    static void styleList(QListView *view, int itemWidth);
    // A field-like combo box whose popup rows are 27 px high.
    static QString comboStyle();
    static QString lineEditStyle();
    // Plain push button: dark grey plate, orange when hovered or focused.
    static QString buttonStyle();
    static QString checkBoxStyle();
    // A push button drawn as an input field, text at the left.
    static QString fieldButtonStyle();
};
