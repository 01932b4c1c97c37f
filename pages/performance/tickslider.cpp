#include "pages/performance/tickslider.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QLabel>
#include <QResizeEvent>
#include "resources/stylesheets.h"

namespace {
constexpr int handleWidth = 24;   // of the slider style sheet
}

TickSlider::TickSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    valueLabel = new QLabel(this);
    valueLabel->setObjectName(QStringLiteral("valueLabel"));
    valueLabel->setFixedSize(48, 20);
    StyleSheets::setLook(valueLabel, StyleSheets::TransparentLabelLook);
    valueLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QSlider::sliderMoved, this, &TickSlider::onSliderMoved);
    connect(this, &QSlider::valueChanged, this, &TickSlider::onSliderMoved);
}

void TickSlider::placeLabel(int value)
{
    const int w = valueLabel->width();
    const int span = maximum() > 0 ? value * (width() - 25) / maximum() : 0;
    // Centred over the handle, but never pushed past the slider's ends.
    valueLabel->move(qBound(0, span + (handleWidth - w) / 2, qMax(0, width() - w)), 0);
}

void TickSlider::setLabelText(const QString &text)
{
    valueLabel->setText(text);
    // As wide as the text ("Fastest" was cut to "Fastes" in a fixed box).
    valueLabel->setFixedWidth(qMax(48, valueLabel->fontMetrics().horizontalAdvance(text) + 4));
    placeLabel(value());
    // A screen reader reads the shown step ("50", "Fast") rather than the raw 0..4.
    setAccessibleDescription(text);
    if (property("accessibleShowsStep").toBool()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void TickSlider::onSliderMoved(int value)
{
    placeLabel(value);
}

void TickSlider::resizeEvent(QResizeEvent *event)
{
    QSlider::resizeEvent(event);
    placeLabel(value());
}
