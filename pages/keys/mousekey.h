#pragma once

#include <QString>
#include <QWidget>

// One key marker beside the mouse picture: a dot, a line and a circle, with the key's label.
class MouseKey : public QWidget
{
    Q_OBJECT
public:
    MouseKey(int index, int baseWidth, bool rightSide, QWidget *parent = nullptr);

    const int index;
    bool hovered = false;
    bool selected = false;
    const bool rightSide;
    QString text;

    void setSelected(bool value);
    void setText(const QString &value);

signals:
    void mouseKeyClick(int index);

public slots:
    // What a press, Enter/Space or a screen reader's press action does.
    void click() { emit mouseKeyClick(index); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void updateAccessibleText();
};
