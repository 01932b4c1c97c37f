#pragma once

#include <QColor>
#include <QFrame>

class QHBoxLayout;
class QValidator;
class QLabel;
class QLineEdit;
class QVBoxLayout;

// One DPI level card: a coloured band, its title, and the X (or single) and Y values.
class DpiBtn : public QFrame
{
    Q_OBJECT
public:
    explicit DpiBtn(QWidget *parent = nullptr);

    int index = 0;
    QLabel *m_title = nullptr;
    QLabel *m_xTitle = nullptr;
    QLabel *m_yTitle = nullptr;
    QLineEdit *m_x = nullptr;
    QLineEdit *m_y = nullptr;
    QValidator *validator = nullptr;   // digits only, whatever the locale
    QVBoxLayout *m_VLayout = nullptr;
    QHBoxLayout *m_HLayout1 = nullptr;
    QHBoxLayout *m_HLayout2 = nullptr;
    bool xyMode = false;
    bool selected = false;
    QColor color{255, 0, 0};

    void setTitle(const QString &text);
    void setXDpi(int value);
    void setYDpi(int value);
    int xDpi() const;
    int yDpi() const;
    void setXYMode(bool on);
    void setSelected(bool on);
    // The value the mouse will get for a typed or dragged one: on the family's step and the
    // encoder's grid, within the family's limits.
    static int sendable(int dpi);
    // Line edits grow for large screens.
    void setLargeScreen(bool large);

signals:
    void dpiChanged(int index);
    void selectChanged(int index);

public slots:
    void onReturnPressed();
    // What a press, Enter/Space or a screen reader's press action does.
    void press();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Puts a typed value on what will be sent.
    static void clampToLimits(QLineEdit *edit);
    void updateAccessibleText();

    bool m_large = false;
    bool m_focusRing = false;
};
