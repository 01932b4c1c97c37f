#pragma once

#include <QFrame>

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;

// The profile chooser above the key, DPI and lighting pages: the active profile in a combo box
// and a menu of what can be done with profiles.
class ProfileBar : public QFrame
{
    Q_OBJECT
public:
    explicit ProfileBar(QWidget *parent = nullptr);

    QLabel *caption = nullptr;
    QComboBox *profileComboBox = nullptr;
    QPushButton *profileMenuBtn = nullptr;
    QMenu *profileMenu = nullptr;

    // Re-reads the names and the active profile; choosing in the box switches.
    void fill();

signals:
    void rulesRequested();

protected:
    // Dialog seams; tests answer them without a dialog. Empty means cancelled.
    virtual QString askName(const QString &title, const QString &proposal);
    virtual QString askSaveFile();
    virtual QString askOpenFile();
    virtual void tell(const QString &message);

private:
    void chosen(int index);
    void createProfile(bool fromFactory);
    void renameProfile();
    void duplicateProfile();
    void deleteProfile();
    void exportProfile();
    void importProfile();

    bool m_filling = false;
};
