#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

// The frameless prompt of the macro page: a new or changed macro name, or a pause length.
class InputDialog : public QDialog
{
    Q_OBJECT
public:
    explicit InputDialog(QWidget *parent = nullptr);

    void setPrompt(const QString &text);
    QString text() const;
    // The answer the prompt opens with.
    void setText(const QString &text);

    QDialogButtonBox *buttonBox = nullptr;
    QLabel *infoText = nullptr;
    QLineEdit *infoEdit = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
};
