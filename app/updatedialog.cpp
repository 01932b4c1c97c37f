#include "app/updatedialog.h"

#include <QWindow>

#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/stylesheets.h"

UpdateDialog::UpdateDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("UpdateDialog"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setMinimumSize(727, 376);
    resize(727, 376);
    StyleSheets::setLook(this, StyleSheets::UpdateDialogLook);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    widget = new QFrame(this);
    widget->setObjectName(QStringLiteral("widget"));
    outer->addWidget(widget);

    auto *column = new QVBoxLayout(widget);
    column->setContentsMargins(30, 24, 30, 24);
    column->setSpacing(12);

    auto *head = new QHBoxLayout;
    warn = new QLabel(widget);
    warn->setObjectName(QStringLiteral("warn"));
    warn->setPixmap(QPixmap(QStringLiteral(":/images/warn.png")));
    warn->setFixedSize(106, 93);
    title = new QLabel(widget);
    title->setObjectName(QStringLiteral("title"));
    head->addWidget(warn);
    head->addSpacing(16);
    head->addWidget(title, 1);
    column->addLayout(head);

    for (QLabel **label : {&firstTxt, &secondTxt, &thirdTxt}) {
        *label = new QLabel(widget);
        (*label)->setWordWrap(true);
        column->addWidget(*label);
    }
    firstTxt->setObjectName(QStringLiteral("firstTxt"));
    secondTxt->setObjectName(QStringLiteral("secondTxt"));
    thirdTxt->setObjectName(QStringLiteral("thirdTxt"));
    column->addStretch(1);

    buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, widget);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->setCenterButtons(true);
    StyleSheets::setLook(buttonBox, StyleSheets::UpdateButtonsLook);
    column->addWidget(buttonBox);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void UpdateDialog::setTexts(const QString &titleText, const QString &first, const QString &second,
                            const QString &third, const QString &acceptText,
                            const QString &rejectText)
{
    title->setText(titleText);
    firstTxt->setText(first);
    secondTxt->setText(second);
    thirdTxt->setText(third);
    // The box orders its buttons by platform convention; address them by role instead.
    buttonBox->button(QDialogButtonBox::Ok)->setText(acceptText);
    buttonBox->button(QDialogButtonBox::Cancel)->setText(rejectText);
    // A screen reader names the dialog by its title and reads the warning as it opens.
    setWindowTitle(titleText);
    setAccessibleName(titleText);
    setAccessibleDescription(QStringList{first, second, third}.join(QLatin1Char('\n')));
}

void UpdateDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Focus and Enter start on the button that starts nothing: flashing must be a choice.
    QPushButton *safe = buttonBox->button(QDialogButtonBox::Cancel);
    buttonBox->button(QDialogButtonBox::Ok)->setDefault(false);
    buttonBox->button(QDialogButtonBox::Ok)->setAutoDefault(false);
    safe->setDefault(true);
    safe->setFocus(Qt::OtherFocusReason);
}

void UpdateDialog::mousePressEvent(QMouseEvent *event)
{
    dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    // The window system moves the dialog where it can: Wayland ignores move() altogether.
    systemMove = event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove();
    QDialog::mousePressEvent(event);
}

void UpdateDialog::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && !systemMove)
        move(event->globalPosition().toPoint() - dragOffset);
    QDialog::mouseMoveEvent(event);
}
