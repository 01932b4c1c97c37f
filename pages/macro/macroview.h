#pragma once

#include <QListView>
#include <QPoint>

// A macro list. Right clicks do nothing (the row's menu button opens the menu); the Menu key
// and Shift+F10 ask for the current row's menu instead. Space chooses the current row as a
// click would; Enter and Return also open it as a double click would.
class MacroView : public QListView
{
    Q_OBJECT
public:
    explicit MacroView(QWidget *parent = nullptr);

signals:
    // Viewport position at the right end of the current row, as a click there would give.
    void openContextMenu(QPoint position);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
