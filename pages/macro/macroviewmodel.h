#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>

// Rows of three texts for the two macro lists. A name row holds (row number, macro name, "1"),
// an action row (icon resource path, shown text, "0"); roles 0, 1 and 2 address the three texts.
class MacroViewModel : public QAbstractListModel
{
    Q_OBJECT
public:
    struct Row
    {
        QString lead;  // role 0
        QString text;  // role 1
        QString style; // role 2: "1" name row, "0" action row

        bool operator==(const Row &o) const { return lead == o.lead && text == o.text && style == o.style; }
    };

    // Icons of the action rows.
    static constexpr QLatin1String keyDownIcon{":macro/images/macro/keyboardDown.png"};
    static constexpr QLatin1String keyUpIcon{":macro/images/macro/keyboardUp.png"};
    static constexpr QLatin1String mouseDownIcon{":macro/images/macro/mouseDown.png"};
    static constexpr QLatin1String mouseUpIcon{":macro/images/macro/mouseUp.png"};
    static constexpr QLatin1String delayIcon{":macro/images/macro/delay.png"};

    explicit MacroViewModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void appendRow(const Row &row);
    // Before position; a position at or past the end appends.
    void insertRow(const Row &row, int position);
    void appendRows(const QList<Row> &rows);
    // False unless both positions name rows.
    bool moveRow(int from, int to);
    // The removed row; an empty one when position names none.
    Row removeRow(int position);
    void clear();

    const QList<Row> &rows() const { return m_rows; }

    // What a screen reader announces for a row, e.g. "A press" or "50 ms delay".
    static QString spokenText(const Row &row);

    // Texts of the macro editor that the language tables do not hold yet. Each has its English
    // wording here as the one fallback until the tables give it a number.
    enum ExtraText {
        Press,
        Release,
        RowMenuHint,
        FitWarning, // %1 actions that fit, %2 actions in all
        ImportFailed,
        ExportFailed,
        AddMacro,
        ImportMacro,
        ExportMacro,
        Record,
    };
    static QString extraText(ExtraText which);

private:
    QList<Row> m_rows;
};
