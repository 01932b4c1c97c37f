#pragma once

#include <QDialog>
#include <QPoint>

class QDialogButtonBox;
class QFrame;
class QLabel;

// Asks before the firmware-update program is started. Frameless; dragged by its whole surface.
class UpdateDialog : public QDialog
{
    Q_OBJECT
public:
    explicit UpdateDialog(QWidget *parent = nullptr);

    void setTexts(const QString &titleText, const QString &first, const QString &second,
                  const QString &third, const QString &acceptText, const QString &rejectText);

    QFrame *widget = nullptr;
    QLabel *warn = nullptr;
    QLabel *title = nullptr;
    QLabel *firstTxt = nullptr;
    QLabel *secondTxt = nullptr;
    QLabel *thirdTxt = nullptr;
    QDialogButtonBox *buttonBox = nullptr;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QPoint dragOffset;
    bool systemMove = false; // the window system runs the current drag
};
