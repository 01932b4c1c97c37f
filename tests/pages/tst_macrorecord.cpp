#include <QCheckBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "common/testroot.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "pages/accessibility/announcer.h"
#include "pages/macro/inputdialog.h"
#include "pages/macro/inputedit.h"
#include "pages/macro/macroview.h"
#include "pages/macro/macroviewdelegate.h"
#include "pages/macro/macroviewmodel.h"
#include "pages/macro/macrowindow.h"
#include "platform/scancode.h"

namespace {

// A key event as the platform delivers it, with the scan code of the physical key.
QKeyEvent keyEvent(QEvent::Type type, int key, int scanCode = 0, bool autoRepeat = false)
{
    return QKeyEvent(type, key, Qt::NoModifier, ScanCode::toNative(scanCode), 0, 0, QString(), autoRepeat);
}

int codeOf(int key, int scanCode = 0)
{
    const QKeyEvent e = keyEvent(QEvent::KeyPress, key, scanCode);
    return InputEdit::keyCode(&e);
}

using Row = MacroViewModel::Row;

} // namespace

class TestMacroRecord : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    MacroData *store = nullptr;
    MouseData *md = nullptr;
    MacroWindow *page = nullptr;

    void press(int key, int scanCode = 0, bool autoRepeat = false)
    {
        QKeyEvent e = keyEvent(QEvent::KeyPress, key, scanCode, autoRepeat);
        QCoreApplication::sendEvent(page->recordBtn, &e);
    }
    void release(int key, int scanCode = 0, bool autoRepeat = false)
    {
        QKeyEvent e = keyEvent(QEvent::KeyRelease, key, scanCode, autoRepeat);
        QCoreApplication::sendEvent(page->recordBtn, &e);
    }
    void tap(int key, int scanCode = 0)
    {
        press(key, scanCode);
        release(key, scanCode);
    }
    QStringList texts() const
    {
        QStringList out;
        for (const Row &r : page->actionModel->rows())
            out.append(r.text);
        return out;
    }
    QString stored() const { return store->macroActions().value(page->currentMacro); }
    void startRecording(bool realPauses, const QString &defaultDelay = QStringLiteral("10"))
    {
        page->recordDelaySW->setChecked(realPauses);
        page->defaultDelay->setText(defaultDelay);
        if (page->recording)
            page->recordBtn->click();
        page->recordBtn->click();
        QVERIFY(page->recording);
        QVERIFY(page->tickTimer->isActive());
        QCOMPARE(page->actionModel->rowCount(), 0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(TestRoot::install(dir.path()));
        store = MacroData::instance();
        md = MouseData::instance();
        md->loadLanguage();
        QVERIFY(!md->languageText(96).isEmpty());
    }
    void init()
    {
        store->macroNames() = QStringList{"one", "two"};
        store->macroActions() = QStringList{"1@#Q_-1@#Q_-0", "1@#W_-1@#W_-0"};
        page = new MacroWindow;
        page->resize(1200, 700);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page));
    }
    void cleanup()
    {
        delete page;
        page = nullptr;
    }

    void keyTranslation()
    {
        QCOMPARE(codeOf(Qt::Key_A), 4);
        QCOMPARE(codeOf(Qt::Key_Z), 29);
        QCOMPARE(codeOf(Qt::Key_1), 30);
        QCOMPARE(codeOf(Qt::Key_0), 39);
        QCOMPARE(codeOf(Qt::Key_F12), 69);
        QCOMPARE(codeOf(Qt::Key_Return), 40);
        QCOMPARE(codeOf(Qt::Key_Enter), 88);
        QCOMPARE(codeOf(Qt::Key_Right), 79);
        QCOMPARE(codeOf(Qt::Key_Comma), 54);
        // The main-row period and slash come out as the keypad's codes.
        QCOMPARE(codeOf(Qt::Key_Period), 99);
        QCOMPARE(codeOf(Qt::Key_Slash), 84);
        QCOMPARE(codeOf(Qt::Key_VolumeUp), 1);
        // Modifiers by the side of the key that was pressed.
        QCOMPARE(codeOf(Qt::Key_Shift, ScanCode::LeftShift), 225);
        QCOMPARE(codeOf(Qt::Key_Shift, ScanCode::RightShift), 229);
        QCOMPARE(codeOf(Qt::Key_Control, ScanCode::LeftCtrl), 224);
        QCOMPARE(codeOf(Qt::Key_Control, ScanCode::RightCtrl), 228);
        QCOMPARE(codeOf(Qt::Key_Alt, ScanCode::LeftAlt), 226);
        QCOMPARE(codeOf(Qt::Key_Alt, ScanCode::RightAlt), 230);
        // The physical key decides, whatever symbol the layout gives it.
        QCOMPARE(codeOf(Qt::Key_Shift, ScanCode::LeftCtrl), 224);
        QCOMPARE(codeOf(Qt::Key_Meta, ScanCode::LeftAlt), 226);
        QCOMPARE(codeOf(Qt::Key_Super_L, ScanCode::LeftMeta), 227);
        QCOMPARE(codeOf(Qt::Key_Super_R, ScanCode::RightMeta), 231);
        QCOMPARE(codeOf(Qt::Key_Super_R), 231);
        QCOMPARE(codeOf(Qt::Key_Control), 1);
        QCOMPARE(InputEdit::codeName(1), QString());
    }

    void captureFieldShowsNames()
    {
        InputEdit *edit = page->insertLineEdit;
        edit->setFocus();
        QTest::mouseClick(edit, Qt::RightButton);
        QCOMPARE(edit->text(), QStringLiteral("MS-R"));
        QTest::mouseClick(edit, Qt::MiddleButton);
        QCOMPARE(edit->text(), QStringLiteral("MS-M"));
        QTest::mouseClick(edit, Qt::ForwardButton);
        QCOMPARE(edit->text(), QStringLiteral("MS-B5"));
        QTest::keyClick(edit, Qt::Key_Comma);
        QCOMPARE(edit->text(), QStringLiteral(","));
        QKeyEvent rctrl = keyEvent(QEvent::KeyPress, Qt::Key_Control, ScanCode::RightCtrl);
        QCoreApplication::sendEvent(edit, &rctrl);
        QCOMPARE(edit->text(), QStringLiteral("RCtrl"));
        QTest::keyClick(edit, Qt::Key_VolumeDown);
        QCOMPARE(edit->text(), QString());

        // Number mode: ordinary typing, mouse presses ignored.
        edit->numberMode = true;
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("125"));
        QCOMPARE(edit->text(), QStringLiteral("125"));
        QTest::mouseClick(edit, Qt::RightButton);
        QCOMPARE(edit->text(), QStringLiteral("125"));
    }

    void recordingWithDefaultPauses()
    {
        QSignalSpy changed(page, &MacroWindow::macroActionChanged);
        startRecording(false, QStringLiteral("25"));
        QCOMPARE(stored(), QString());
        QCOMPARE(page->recordBtn->text(), MouseData::instance()->languageText(228));
        press(Qt::Key_A);
        release(Qt::Key_A);
        QCOMPARE(stored(), QStringLiteral("1@#A_-1@#10_-2@#A_-0"));
        QCOMPARE(changed.count(), 0);
        press(Qt::Key_B);
        QCOMPARE(texts(), (QStringList{"A", "10", "A", "25", "B"}));
        release(Qt::Key_B);
        page->recordBtn->click();
        QVERIFY(!page->recording);
        QVERIFY(!page->tickTimer->isActive());
        QCOMPARE(page->recordBtn->text(), MouseData::instance()->languageText(229));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 0);
        QCOMPARE(stored(), QStringLiteral("1@#A_-1@#10_-2@#A_-0@#25_-2@#B_-1@#10_-2@#B_-0"));

        // Rounded; a text that is no number gives 10.
        startRecording(false, QStringLiteral("12.6"));
        tap(Qt::Key_A);
        press(Qt::Key_C);
        QCOMPARE(page->actionModel->rows().at(3).text, QStringLiteral("13"));
        startRecording(false, QStringLiteral("soon"));
        tap(Qt::Key_A);
        press(Qt::Key_C);
        QCOMPARE(page->actionModel->rows().at(3).text, QStringLiteral("10"));
    }

    void recordingWithRealPauses()
    {
        startRecording(true);
        for (int i = 0; i < 7; ++i)
            page->onMTTimeOut();
        press(Qt::Key_A); // the first row has no pause before it
        for (int i = 0; i < 4; ++i)
            page->onMTTimeOut();
        release(Qt::Key_A); // a release always follows after 10 ms
        for (int i = 0; i < 12; ++i)
            page->onMTTimeOut();
        press(Qt::Key_B);
        release(Qt::Key_B);
        QCOMPARE(texts(), (QStringList{"A", "10", "A", "120", "B", "10", "B"}));

        // The running timer counts real time and keeps the keys on the record button.
        page->insertLineEdit->setFocus();
        page->tickCount = 0;
        QTRY_VERIFY(page->tickCount >= 3);
        QTRY_VERIFY(page->recordBtn->hasFocus());
    }

    void autoRepeatAndStrayKeysAddNothing()
    {
        // Not recording: keys on the focused button leave the macro alone.
        press(Qt::Key_A);
        release(Qt::Key_A);
        QCOMPARE(stored(), QStringLiteral("1@#Q_-1@#Q_-0"));

        startRecording(false);
        press(Qt::Key_A);
        for (int i = 0; i < 5; ++i) {
            release(Qt::Key_A, 0, true);
            press(Qt::Key_A, 0, true);
        }
        release(Qt::Key_A);
        QCOMPARE(texts(), (QStringList{"A", "10", "A"}));

        // X's auto-repeat without the flag: a release and a press of one time stamp, or a
        // press of a key that is down.
        const auto stamped = [this](QEvent::Type type, int key, ulong time) {
            QKeyEvent e = keyEvent(type, key, 0);
            e.setTimestamp(time);
            QCoreApplication::sendEvent(page->recordBtn, &e);
        };
        stamped(QEvent::KeyPress, Qt::Key_K, 1000);
        for (ulong t = 1500; t < 2000; t += 40) {
            stamped(QEvent::KeyRelease, Qt::Key_K, t);
            stamped(QEvent::KeyPress, Qt::Key_K, t);
        }
        stamped(QEvent::KeyPress, Qt::Key_K, 2010);
        stamped(QEvent::KeyRelease, Qt::Key_K, 2040);
        QCOMPARE(texts(), (QStringList{"A", "10", "A", "10", "K", "10", "K"}));
        // A quick second tap of the same key is a key of its own.
        stamped(QEvent::KeyPress, Qt::Key_K, 2100);
        stamped(QEvent::KeyRelease, Qt::Key_K, 2150);
        QCOMPARE(page->actionModel->rowCount(), 11);
    }

    // Space, Enter and Tab are keys of the macro; a held Esc stops, said on screen and to
    // screen readers, and its press is not kept.
    void everyKeyRecordsAndAHeldEscStops()
    {
        QVERIFY(page->recordHintTxt->isVisible());
        QCOMPARE(page->recordHintTxt->text(), md->languageText(133));
        QCOMPARE(page->recordBtn->accessibleDescription(), md->languageText(133));
        QSignalSpy changed(page, &MacroWindow::macroActionChanged);
        startRecording(false);
        page->recordBtn->setFocus();
        QTest::keyClick(page->recordBtn, Qt::Key_Space);
        QTest::keyClick(page->recordBtn, Qt::Key_Return);
        QTest::keyClick(page->recordBtn, Qt::Key_Tab);
        QVERIFY(page->recording);
        QCOMPARE(texts(), (QStringList{"Space", "10", "Space", "10", "Enter", "10", "Enter", "10", "Tab", "10", "Tab"}));
        // A tap of Esc is recorded like any key.
        tap(Qt::Key_Escape);
        QCOMPARE(page->actionModel->rowCount(), 15);
        const QString beforeHold = stored();
        press(Qt::Key_Escape);
        QTest::qWait(MacroWindow::stopHoldMs / 2);
        QVERIFY(page->recording);
        // The store never holds the press of a stop key that may yet be a hold.
        QCOMPARE(stored(), beforeHold);
        QTRY_VERIFY_WITH_TIMEOUT(!page->recording, MacroWindow::stopHoldMs * 2);
        release(Qt::Key_Escape);
        QCOMPARE(page->actionModel->rowCount(), 15);
        QCOMPARE(stored(), QStringLiteral("1@#Space_-1@#10_-2@#Space_-0@#10_-2@#Enter_-1@#10_-2@#Enter_-0@#10_-2"
                                          "@#Tab_-1@#10_-2@#Tab_-0@#10_-2@#Esc_-1@#10_-2@#Esc_-0"));
        QCOMPARE(changed.count(), 1);
    }

    // Releases of keys whose press the page never saw (the key that started the recording, a
    // press a screen reader kept) end nothing and are not recorded.
    void releasesWithoutTheirPressAreNotRecorded()
    {
        startRecording(false);
        release(Qt::Key_Space);
        QCOMPARE(page->actionModel->rowCount(), 0);
        tap(Qt::Key_A);
        release(Qt::Key_B, 0);
        release(Qt::Key_Shift, ScanCode::LeftShift);
        QCOMPARE(texts(), (QStringList{"A", "10", "A"}));
        QCOMPARE(stored(), QStringLiteral("1@#A_-1@#10_-2@#A_-0"));
    }

    // Started and stopped from the keyboard, the focus stays on the button and a screen reader
    // hears both, with how to stop and how much was recorded.
    void recordingStartAndStopAreSaidWhereTheFocusStays()
    {
        page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page));
        page->recordBtn->setFocus();
        QTest::keyClick(page->recordBtn, Qt::Key_Space);
        QVERIFY(page->recording);
        auto *said = Announcer::of(page);
        QTRY_COMPARE(said->text(), md->languageText(247) + QLatin1Char(' ') + md->languageText(133));
        QVERIFY(said->isVisible());
        tap(Qt::Key_A);
        tap(Qt::Key_B);
        // The click that stops (the hold of Esc ends in the same place).
        page->recordBtn->click();
        QVERIFY(!page->recording);
        QVERIFY(page->recordBtn->hasFocus());
        QTRY_COMPARE(said->text(), md->languageText(248).arg(4));
        QCOMPARE(page->actionModel->rowCount(), 7);
        // The focus was not pulled back by a late tick either.
        QTest::qWait(50);
        QVERIFY(page->recordBtn->hasFocus());
    }

    // Keys typed on another page never land in the macro: leaving the page stops recording.
    void leavingThePageStopsRecording()
    {
        QSignalSpy changed(page, &MacroWindow::macroActionChanged);
        startRecording(false);
        tap(Qt::Key_A);
        QLineEdit other;
        other.show();
        page->hide();
        QVERIFY(!page->recording);
        QCOMPARE(changed.count(), 1);
        other.setFocus();
        QTest::qWait(50);
        QTest::keyClicks(&other, QStringLiteral("1600"));
        QCOMPARE(other.text(), QStringLiteral("1600"));
        QCOMPARE(stored(), QStringLiteral("1@#A_-1@#10_-2@#A_-0"));
    }

    void modifiersAndKeypadNamesRecorded()
    {
        startRecording(false);
        tap(Qt::Key_Shift, ScanCode::LeftShift);
        tap(Qt::Key_Shift, ScanCode::RightShift);
        tap(Qt::Key_Control, ScanCode::RightCtrl);
        tap(Qt::Key_Alt, ScanCode::LeftAlt);
        tap(Qt::Key_Period);
        tap(Qt::Key_Slash);
        // A key without a name would reach the mouse as key code 0: it is not recorded.
        tap(Qt::Key_VolumeUp);
        const QStringList t = texts();
        QStringList keys;
        for (int i = 0; i < t.size(); i += 4)
            keys << t.at(i);
        QCOMPARE(keys, (QStringList{"LShift", "RShift", "RCtrl", "LAlt", md->keyNames.value(99),
                                    md->keyNames.value(84)}));
        QCOMPARE(md->keyNames.value(99), QStringLiteral("."));
        QCOMPARE(md->keyNames.value(84), QStringLiteral("/"));
        QVERIFY(stored().endsWith(QStringLiteral("@#/_-1@#10_-2@#/_-0")));
    }

    void fullListStopsRecording()
    {
        startRecording(false);
        // 92 events make 183 rows: the first is alone, every later one brings its pause.
        for (int i = 0; i < 46; ++i)
            tap(Qt::Key_A);
        QCOMPARE(page->actionModel->rowCount(), 183);
        QVERIFY(!page->infoBox->isVisible());
        const QString before = stored();
        press(Qt::Key_B);
        QVERIFY(page->infoBox->isVisible());
        QCOMPARE(page->infoBox->text(), md->languageText(97));
        QCOMPARE(page->actionModel->rowCount(), 183);
        QCOMPARE(stored(), before);
        page->infoBox->close();
    }

    void recordingFollowsSelectionAndNeedsAMacro()
    {
        startRecording(false);
        tap(Qt::Key_A);
        // Another macro selected mid-recording takes the next keys.
        const QRect second = page->nameList->visualRect(page->nameModel->index(1, 0));
        QTest::mouseClick(page->nameList->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(page->currentMacro, 1);
        QVERIFY(page->recording);
        tap(Qt::Key_C);
        QCOMPARE(store->macroActions().at(0), QStringLiteral("1@#A_-1@#10_-2@#A_-0"));
        QCOMPARE(store->macroActions().at(1), QStringLiteral("1@#W_-1@#W_-0@#10_-2@#C_-1@#10_-2@#C_-0"));
        page->recordBtn->click();

        delete page;
        store->macroNames().clear();
        store->macroActions().clear();
        page = new MacroWindow;
        page->recordBtn->click();
        QVERIFY(!page->recording);
        QVERIFY(store->macroActions().isEmpty());
    }

    void modelContract()
    {
        MacroViewModel m;
        QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
        m.appendRow(Row{"0", "a", "1"});
        m.insertRow(Row{"1", "b", "1"}, 1); // at the count: appended
        m.insertRow(Row{"2", "c", "1"}, 99);
        m.insertRow(Row{"3", "d", "1"}, 0);
        QCOMPARE(inserted.count(), 4);
        QStringList order;
        for (const Row &r : m.rows())
            order << r.text;
        QCOMPARE(order, (QStringList{"d", "a", "b", "c"}));
        m.appendRows({Row{"4", "e", "1"}, Row{"5", "f", "1"}});
        QCOMPARE(inserted.count(), 5);
        QCOMPARE(m.rowCount(), 6);

        const QModelIndex i = m.index(1, 0);
        QCOMPARE(m.data(i, 0).toString(), QStringLiteral("0"));
        QCOMPARE(m.data(i, 1).toString(), QStringLiteral("a"));
        QCOMPARE(m.data(i, 2).toString(), QStringLiteral("1"));
        QVERIFY(!m.data(i, 5).isValid());
        QVERIFY(!m.data(m.index(6, 0), 1).isValid());
        QVERIFY(!m.setData(i, "x", 3));
        QCOMPARE(m.data(i, 1).toString(), QStringLiteral("a"));
        QVERIFY(m.setData(i, "x", 1));
        QCOMPARE(m.data(i, 1).toString(), QStringLiteral("x"));
        QVERIFY(!m.setData(QModelIndex(), "x", 1));

        QVERIFY(m.moveRow(0, 3));
        QCOMPARE(m.rows().at(3).text, QStringLiteral("d"));
        QVERIFY(m.moveRow(3, 0));
        QCOMPARE(m.rows().at(0).text, QStringLiteral("d"));
        QVERIFY(!m.moveRow(0, 6));
        QCOMPARE(m.removeRow(0).text, QStringLiteral("d"));
        QCOMPARE(m.removeRow(9), Row{});
        QCOMPARE(m.rowCount(), 5);
        m.clear();
        QCOMPARE(m.rowCount(), 0);
    }

    void delegateStripOnEveryRow()
    {
        // Action rows too: only the page decides which list opens a menu.
        MacroView view;
        MacroViewModel m;
        MacroViewDelegate d;
        view.setModel(&m);
        view.setItemDelegate(&d);
        view.setStyleSheet(QStringLiteral("QListView::item{height:40px;}"));
        view.resize(300, 200);
        m.appendRow(Row{MacroViewModel::keyDownIcon, "A", "0"});
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy open(&d, &MacroViewDelegate::openContextMenu);
        const QRect r = view.visualRect(m.index(0, 0));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(r.right() - 24, r.center().y()));
        QCOMPARE(open.count(), 0);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(r.right() - 22, r.center().y()));
        QCOMPARE(open.count(), 1);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(r.right(), r.center().y()));
        QCOMPARE(open.count(), 2);
    }

    void dialogAnswers()
    {
        InputDialog dialog;
        QCOMPARE(dialog.size(), QSize(360, 160));
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        dialog.setPrompt(QStringLiteral("Name?"));
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.open();
        dialog.setText(QStringLiteral("x"));
        QTest::keyClick(dialog.infoEdit, Qt::Key_Y);
        QCOMPARE(dialog.text(), QStringLiteral("y")); // the preset answer is selected, so typing replaces it
        dialog.buttonBox->button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), 0);
        dialog.open();
        QTest::keyClick(dialog.infoEdit, Qt::Key_Return);
        QCOMPARE(finished.count(), 2);
        QCOMPARE(finished.at(1).at(0).toInt(), 1);
    }
};

QTEST_MAIN(TestMacroRecord)
#include "tst_macrorecord.moc"
