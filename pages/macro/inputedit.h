#pragma once

#include <QLineEdit>

class QKeyEvent;

// The insert field of the macro page. In capture mode a key press or a mouse-button press
// replaces the text with the key's or button's name; in number mode it is an ordinary field
// for a pause length.
class InputEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit InputEdit(QWidget *parent = nullptr);

    bool numberMode = false;
    // Capture mode or number mode; clears the text. Number mode takes digits only.
    void setNumberMode(bool on);
    // Whether a text names a key or mouse button that a macro can play.
    static bool isActionName(const QString &name);

    // The key code (the key-name table's numbering) of a key event; 1 for a key outside the
    // table. Left and right Shift, Ctrl and Alt are told apart by the event's scan code.
    static int keyCode(const QKeyEvent *event);
    // 240..244 for the left, right, middle and the two extra buttons; 1 for any other.
    static int buttonCode(Qt::MouseButton button);
    // The name shown for a code; empty for a code without one.
    static QString codeName(int code);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // In capture mode text comes from key and button presses only: no paste, drop, input
    // method or edit menu.
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
};
