#include "pages/macro/inputedit.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "model/mousedata.h"
#include "pages/keys/groupkeyedit.h"

InputEdit::InputEdit(QWidget *parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("insertLineEdit"));
}

int InputEdit::keyCode(const QKeyEvent *event)
{
    // The same capture table as the key page's.
    return GroupKeyEdit::usageFor(event);
}

int InputEdit::buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 240;
    case Qt::RightButton: return 241;
    case Qt::MiddleButton: return 242;
    case Qt::BackButton: return 243;
    case Qt::ForwardButton: return 244;
    default: return 1;
    }
}

QString InputEdit::codeName(int code)
{
    return MouseData::instance()->keyNames.value(code);
}

void InputEdit::mousePressEvent(QMouseEvent *event)
{
    if (numberMode)
        return;
    setText(codeName(buttonCode(event->button())));
    event->accept();
}

void InputEdit::keyPressEvent(QKeyEvent *event)
{
    if (numberMode) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    setText(codeName(keyCode(event)));
    event->accept();
}
