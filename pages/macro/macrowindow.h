#pragma once

#include <QFrame>
#include <QModelIndex>
#include <QPoint>

#include "pages/macro/inputdialog.h"

class InputEdit;
class MacroView;
class MacroViewDelegate;
class MacroViewModel;
class QAction;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMessageBox;
class QPushButton;
class QTimer;
class QElapsedTimer;

// The macro editor page: the macro names, the actions of the selected macro, recording and
// insertion. Every edit goes straight into the macro store; edits that change what a button
// plays are announced with macroActionChanged.
class MacroWindow : public QFrame
{
    Q_OBJECT
public:
    // Reads the names again from the store (macros added by a profile import).
    void fillNameList();
    explicit MacroWindow(QWidget *parent = nullptr);
    ~MacroWindow() override;

    // Longest lists that insertion and recording still add to.
    static constexpr int insertLimit = 176;
    static constexpr int recordLimit = 182;
    // Row height of both lists.
    static constexpr int rowHeight = 40;
    // Holding this key this long stops a recording from the keyboard; its press is dropped.
    static constexpr int stopKey = Qt::Key_Escape;
    static constexpr int stopHoldMs = 1000;

    // How many presses and releases of an action string the mouse's macro memory takes (the
    // chip protocol stops writing records once they pass byte 185); *total gets how many
    // there are.
    static int fittingActions(const QString &actions, int *total = nullptr);
    // A deleted macro must not leave buttons playing it or its successor: codes of later
    // macros move down one index, buttons bound to the deleted one are disabled, and the mouse
    // is told when it uses the profile's layout.
    static void rebindKeysAfterDelete(int deleted);
    // Recomputes the labels of the buttons bound to macros and lets the key pages show them.
    static void relabelMacroKeys();

    QLabel *macroTxt = nullptr;
    QLabel *listTxt = nullptr;
    QPushButton *addBtn = nullptr;
    QPushButton *deleteBtn = nullptr;
    QPushButton *importBtn = nullptr;
    QPushButton *exportBtn = nullptr;
    MacroView *nameList = nullptr;
    QLabel *valueTxt = nullptr;
    QPushButton *valueDeleteBtn = nullptr;
    MacroView *actionList = nullptr;
    QLabel *fitTxt = nullptr;
    QPushButton *recordBtn = nullptr;
    QLabel *recordHintTxt = nullptr;
    QCheckBox *recordDelaySW = nullptr;
    QLabel *delayTxt = nullptr;
    QLineEdit *defaultDelay = nullptr;
    QLabel *timeUnitTxt = nullptr;
    QLabel *loopTimesTxt = nullptr;
    QLineEdit *loopTimes = nullptr;
    QLabel *timesUnitTxt = nullptr;
    QLabel *insertTxt = nullptr;
    QComboBox *insertDirection = nullptr;
    QCheckBox *insertActionSW = nullptr;
    QCheckBox *insertDelaySW = nullptr;
    InputEdit *insertLineEdit = nullptr;
    QPushButton *insertBtn = nullptr;

    InputDialog inputDialog;
    int dialogMode = 0; // 0 new macro name, 1 rename, 2 pause length
    QTimer *tickTimer = nullptr;
    int tickCount = 0;
    MacroViewModel *nameModel = nullptr;
    MacroViewModel *actionModel = nullptr;
    MacroViewDelegate *nameDelegate = nullptr;
    MacroViewDelegate *actionDelegate = nullptr;
    QMenu *contextMenu = nullptr;
    QAction *renameAction = nullptr;
    QAction *deleteAction = nullptr;
    QMessageBox *infoBox = nullptr;
    int currentMacro = -1;
    bool recording = false;

signals:
    void macroActionChanged(int macroIndex);

public slots:
    void clearActionProc();
    void selectMacroProc(const QModelIndex &index);
    void changeDelayProc(const QModelIndex &index);
    void openContextMenuProc(QPoint pos);
    void recordBtnProc();
    void onMTTimeOut();
    void insertTimeSWProc();
    void insertBtnProc();
    void addMacroNameProc();
    void deleteMacroNameProc();
    void deleteMacroActionProc();
    void inputFinished(int result);
    void loopTimesProc();
    void renameActionProc(bool checked = false);
    void deleteActionProc(bool checked = false);
    void importMacroProc();
    void exportMacroProc();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Recording follows the page: keys typed elsewhere must never land in a macro.
    void hideEvent(QHideEvent *event) override;
    // The file dialogs; tests answer them without a dialog.
    virtual QString exportFileName();
    virtual QString importFileName();

private:
    void showMacro(int macro);
    void saveActions(int macro);
    void updateFit();
    // `save` false leaves the store as it was: a press of the stop key is the macro's only once
    // it turns out to be a tap.
    void recordKey(bool press, const QKeyEvent *event, bool save = true);
    void stopRecording();
    // One key event while recording; auto-repeat adds nothing, a held stop key stops.
    void recordingKeyEvent(const QKeyEvent *event);
    void stopByHold();
    void showInformation(const QString &title, const QString &text);
    void selectNameRow(int row);
    void followNameRow(const QModelIndex &current);
    void updateRecordButton();
    int delayRow = -1; // the row whose pause the open prompt edits

    // Keys down while recording, by native scan code (Qt key when there is none).
    QList<quint32> m_held;
    // The last recorded release, undone when the platform's auto-repeat follows it with a
    // press of the same key at the same moment.
    struct LastRelease {
        quint32 key = 0;
        ulong time = 0;

        int rowsBefore = -1;
        int ticksBefore = 0;
    } m_lastRelease;
    QTimer *m_holdTimer = nullptr;
    int m_stopRows = -1;            // rows before the stop key's press, while it is held
    quint32 m_stopKeyId = 0;
    qint64 m_stopPressedAt = 0;     // when, on a monotonic clock in ms
};
