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
    setStyleSheet(QStringLiteral("QDialog{\n\tbackground-color: rgb(26, 26, 26);\n}"));

    infoText = new QLabel(QStringLiteral("Please enter:"), this);
    infoText->setObjectName(QStringLiteral("infoText"));
    infoText->setGeometry(30, 14, 310, 50);
    infoText->setWordWrap(true);
    infoText->setStyleSheet(QStringLiteral("QLabel{\n\tfont-size:16px;\n\tcolor: rgb(255, 255, 255);\n}"));

    infoEdit = new QLineEdit(this);
    infoEdit->setObjectName(QStringLiteral("infoEdit"));
    infoEdit->setGeometry(QRect(QPoint(30, 70), QPoint(340, 89)));
    infoEdit->setStyleSheet(StyleSheets::lineEdit());
    infoEdit->setAlignment(Qt::AlignHCenter);
    infoText->setBuddy(infoEdit);

    buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->setGeometry(QRect(QPoint(0, 120), QPoint(340, 151)));
    buttonBox->setStyleSheet(QStringLiteral("QDialogButtonBox{\n\tbackground-color: rgb(255, 26, 26);\n}"));
    for (QAbstractButton *b : buttonBox->buttons())
        b->setStyleSheet(StyleSheets::inputDialogButton() + QStringLiteral("QPushButton:focus{border:1px solid #ff8000;}"));

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
