#pragma once

#include <QComboBox>

// A combo box whose popup takes the plain item delegate when it first opens. Asking for the
// delegate builds the popup (a frame, a list view and its scroll bars), which cost more at
// start-up than everything else on the box; most boxes are never opened in a session.
class LookComboBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
