#pragma once

#include <QString>

#include "resources/stylesheets.h"

class QComboBox;
class QFrame;
class QHBoxLayout;
class QListView;
class QPushButton;
class QWidget;

// Look shared by the key screen's columns: the common sheets plus a visible keyboard focus,
// which the mouse-only look lacks.
class ListSupport
{
public:
    // A column on the page background; minimum 176×0 when asked, 200 wide on large screens.
    static void styleColumn(QFrame *frame, bool minimumSize);
    static void styleList(QListView *view, StyleSheets::ListItems items);
    static void styleCombo(QComboBox *box);
    // The Save and Cancel pair that ends a picker, named and styled, side by side in the row
    // returned.
    static QHBoxLayout *saveCancelRow(QWidget *parent, QPushButton *&save, QPushButton *&cancel);
};
