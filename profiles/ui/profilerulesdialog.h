#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The rules of automatic switching: program -> profile, and the profile for every other program.
// Saved when a rule or the default changes.
class ProfileRulesDialog : public QDialog
{
    Q_OBJECT
public:
    // desktopTells: whether this desktop says which program is in front.
    ProfileRulesDialog(bool desktopTells, QWidget *parent = nullptr);

    QLabel *stateTxt = nullptr;
    QTableWidget *ruleTable = nullptr;
    QPushButton *addRuleBtn = nullptr;
    QPushButton *removeRuleBtn = nullptr;
    QComboBox *defaultComboBox = nullptr;

    void fill();
    void addRule(const QString &program);

protected:
    virtual QString askProgram();

private:
    void store();
    QComboBox *profileBox(int file);

    bool m_desktopTells = false;
    bool m_filling = false;
};
