#pragma once

#include <QDialog>

class ActiveWindow;
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
    // source: where the desktop says which program is in front; null where it tells nothing.
    explicit ProfileRulesDialog(const ActiveWindow *source, QWidget *parent = nullptr);

    QLabel *stateTxt = nullptr;
    QTableWidget *ruleTable = nullptr;
    QPushButton *addRuleBtn = nullptr;
    QPushButton *removeRuleBtn = nullptr;
    QPushButton *addRunningBtn = nullptr;
    QComboBox *defaultComboBox = nullptr;

    void fill();
    void addRule(const QString &program);
    // Which source tells the program in front, and whether switching is on.
    void showState(bool noRules);

protected:
    virtual QString askProgram();

private:
    void store();
    void offerRunning();
    QComboBox *profileBox(int file);

    const ActiveWindow *m_source = nullptr;
    bool m_desktopTells = false;
    bool m_filling = false;
};
