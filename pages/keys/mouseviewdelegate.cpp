#include "pages/keys/mouseviewdelegate.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

mouseViewDelegate::mouseViewDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

void mouseViewDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    const QRect r = option.rect;
    painter->save();

    if (option.state & (QStyle::State_Selected | QStyle::State_MouseOver))
        painter->fillRect(r.adjusted(0, 2, 0, -2), QColor(255, 80, 0, 255));
    // Keyboard users need to see where they are even before a row is chosen.
    if ((option.state & QStyle::State_HasFocus) && !(option.state & QStyle::State_Selected)) {
        painter->setPen(QColor(255, 80, 0));
        painter->drawRect(r.adjusted(0, 2, -1, -3));
    }

    painter->setPen(QColor(255, 255, 255));
    const QString lead = index.data(0).toString();
    const QString text = index.data(1).toString();
    const QString style = index.data(2).toString();

    const int h = painter->fontMetrics().boundingRect(style).height();
    const int y = r.top() + (r.height() - h) / 2;
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;

    // A text longer than its room ends in an ellipsis instead of being cut mid-letter.
    const QFontMetrics fm = painter->fontMetrics();
    const int textWidth = qMax(100, r.right() - 4 - 50);
    auto fit = [&fm](const QString &s, int width) { return fm.elidedText(s, Qt::ElideRight, width); };
    if (style == QLatin1String("1")) {
        painter->drawText(QRect(12, y, 48, h), flags, lead);
        painter->drawText(QRect(50, y, textWidth, h), flags, fit(text, textWidth));
    } else if (style == QLatin1String("0")) {
        const QImage image(lead);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->drawImage(QPoint(12, r.top() + (r.height() - image.height()) / 2), image);
        painter->drawText(QRect(50, y, textWidth, h), flags, fit(text, textWidth));
    } else {
        const int leadWidth = qMax(120, r.right() - 4 - 12);
        painter->drawText(QRect(12, y, leadWidth, h), flags, fit(lead, leadWidth));
    }
    painter->restore();
}
