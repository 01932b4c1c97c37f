#pragma once

#include <QComboBox>
#include <QList>
#include <QStringList>

class ColorComboboxItem;
class QLabel;
class QTableView;

// A colour slot of the lighting page. The first press makes it the slot being edited; a press
// on the slot being edited opens the 48-colour palette.
class ColorComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ColorComboBox(QWidget *parent = nullptr);

    QStringList palette;
    QLabel *swatch = nullptr;
    QString color = QStringLiteral("#ff0000");
    bool selected = false;

    void setColor(const QString &text);
    void setSelected(bool on);

    QTableView *table() const { return m_table; }
    // The palette's 48 swatches, made on first use.
    QList<ColorComboboxItem *> swatches();

    void showPopup() override;

signals:
    void clicked();

public slots:
    void onSelectColor(bool checked);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateAccessibleText();

    QTableView *m_table = nullptr;
    QList<ColorComboboxItem *> m_items;
};
