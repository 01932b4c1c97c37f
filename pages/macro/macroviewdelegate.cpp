#include "pages/macro/macroviewdelegate.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace {
const QString menuButtonIcon = QStringLiteral(":macro/images/macro/macroNameMenuBtn.png");
}

MacroViewDelegate::MacroViewDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

void MacroViewDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    const QRect r = option.rect;
    const bool lit = option.state & (QStyle::State_Selected | QStyle::State_MouseOver);
    painter->save();
    if (lit)
        painter->fillRect(r.adjusted(0, 2, 0, -2), QColor(255, 80, 0, 255));
    // Keyboard users must see the current row before they choose it.
    if ((option.state & QStyle::State_HasFocus) && !(option.state & QStyle::State_Selected)) {
        painter->setPen(QColor(255, 80, 0));
        painter->drawRect(r.adjusted(0, 2, -1, -3));
    }

    const QString lead = index.data(0).toString();
    const QString text = index.data(1).toString();
    const bool nameRow = index.data(2).toString() == QLatin1String("1");
    painter->setPen(QColor(255, 255, 255));
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (nameRow) {
        painter->drawText(QRect(r.left() + 12, r.top(), 60, r.height()), Qt::AlignLeft | Qt::AlignVCenter, lead);
        if (lit) {
            const QImage button(menuButtonIcon);
            painter->drawImage(QPoint(r.right() + 1 - menuStrip, r.top() + (r.height() - button.height()) / 2),
                               button);
        }
    } else {
        const QImage icon(lead);
        painter->drawImage(QPoint(r.left() + 12, r.top() + (r.height() - icon.height()) / 2), icon);
    }
    const QRect textRect(r.left() + r.width() / 5, r.top() + (r.height() - 18) / 2, 100, 18);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                      painter->fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
    painter->restore();
}

bool MacroViewDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                    const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
        const QRect r = option.rect;
        if (pos.x() >= r.right() + 1 - menuStrip && pos.x() <= r.right() && pos.y() >= r.top()
            && pos.y() <= r.bottom())
            emit openContextMenu(pos);
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
