#include "pages/macro/inputdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "resources/stylesheets.h"

InputDialog::InputDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InputDialog"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setFixedSize(360, 160);
    StyleSheets::setLook(this, StyleSheets::InputDialogLook);

    infoText = new QLabel(QStringLiteral("Please enter:"), this);
    infoText->setObjectName(QStringLiteral("infoText"));
    infoText->setGeometry(30, 14, 310, 50);
    infoText->setWordWrap(true);
    StyleSheets::setLook(infoText, StyleSheets::InputTextLook);

    infoEdit = new QLineEdit(this);
    infoEdit->setObjectName(QStringLiteral("infoEdit"));
    infoEdit->setGeometry(QRect(QPoint(30, 70), QPoint(340, 89)));
    StyleSheets::setLook(infoEdit, StyleSheets::LineEditLook);
    infoEdit->setAlignment(Qt::AlignHCenter);
    infoText->setBuddy(infoEdit);

    buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->setGeometry(QRect(QPoint(0, 120), QPoint(340, 151)));
    StyleSheets::setLook(buttonBox, StyleSheets::InputButtonBoxLook);
    for (QAbstractButton *b : buttonBox->buttons())
        StyleSheets::setLook(b, StyleSheets::InputButtonLook);

    connect(buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void InputDialog::setPrompt(const QString &text)
{
    infoText->setText(text);
    setAccessibleName(text);
}

QString InputDialog::text() const
{
    return infoEdit->text();
}

void InputDialog::setText(const QString &text)
{
    infoEdit->setText(text);
    infoEdit->selectAll();
    infoEdit->setFocus(Qt::OtherFocusReason);
}

void InputDialog::showEvent(QShowEvent *event)
{
    // Over the window it belongs to, every time: window managers place a reopened dialog
    // where they like (openbox put it in the screen's corner).
    if (const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr) {
        if (owner->isVisible())
            move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}
