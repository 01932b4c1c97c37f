#pragma once

#include <QSlider>

class QLabel;

// A stepped slider with a value label that rides above its handle.
class TickSlider : public QSlider
{
    Q_OBJECT
public:
    explicit TickSlider(QWidget *parent = nullptr);

    QLabel *valueLabel = nullptr;

    void placeLabel(int value);
    void setLabelText(const QString &text);

public slots:
    void onSliderMoved(int value);

protected:
    void resizeEvent(QResizeEvent *event) override;
};
