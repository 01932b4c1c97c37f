#pragma once

#include <QLineEdit>
#include <QString>

// Capture field for a combination of up to three keys. Each key press fills the next of three
// slots (wrapping after the third); a left click starts over.
class GroupKeyEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit GroupKeyEdit(QWidget *parent = nullptr);

    QString firstKey;
    QString secondKey;
    QString thirdKey;
    int position = 0;
    // The usages behind the names; 0 for an empty slot. Saving uses these, never the text.
    int codes[3] = {0, 0, 0};

    // The key code (kind 0) the field holds: only the slots the visible text shows count.
    void shownCodes(int out[3]) const;
    void clearKeys();

    // USB HID keyboard usage for a key event; 1 when the key has none.
    static int usageFor(const QKeyEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Text reaches the field only through key presses: no paste, drop or input method.
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    void refreshText();
};
