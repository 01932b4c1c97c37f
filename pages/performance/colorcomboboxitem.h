#pragma once

#include <QString>
#include <QToolButton>

// One swatch of the colour palette popup.
class ColorComboboxItem : public QToolButton
{
    Q_OBJECT
public:
    explicit ColorComboboxItem(const QString &color, QWidget *parent = nullptr);

    const QString color;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
