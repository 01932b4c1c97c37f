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

    // A profile name as the chooser and the menus show it: a long one shortened with "…".
    static QString elided(const QString &name, const QFont &font);
    static constexpr int NameWidth = 150;

signals:
    void rulesRequested();

protected:
    void showEvent(QShowEvent *event) override;

    // Dialog seams; tests answer them without a dialog. False or empty means cancelled.
    virtual bool askName(const QString &title, const QString &proposal, QString *name);
    virtual QString askSaveFile(const QString &proposal);
    virtual QString askOpenFile();
    virtual bool confirm(const QString &question);
    virtual void tell(const QString &message);
    // What a done change is confirmed with, for a screen reader.
    virtual void announce(const QString &text);

private:
    void chosen(int index);
    void createProfile(bool fromFactory);
    void renameProfile();
    void duplicateProfile();
    void deleteProfile();
    void exportProfile();
    void importProfile();
    // Confirms that `name` is now the active profile, after `done` (what was done first).
    void announceActive(const QString &name, const QString &done = QString());
    // The user's words for why a name was refused.
    QString nameRefusal(const QString &asked, const QString &error) const;

    bool m_filling = false;
    // What loading the profiles had to repair, told when the chooser is first seen.
    QString m_notice;
};
