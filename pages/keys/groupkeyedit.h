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

    // USB HID keyboard usage for a key event; 1 when the key has none.
    static int usageFor(const QKeyEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refreshText();
};
