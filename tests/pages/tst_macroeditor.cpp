#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QMimeData>
#include <QtTest>

#include "common/testroot.h"
#include "device/datapaths.h"
#include "model/macrodata.h"
#include "model/mousedata.h"
#include "pages/macro/inputdialog.h"
#include "pages/macro/inputedit.h"
#include "pages/macro/macroview.h"
#include "pages/macro/macroviewdelegate.h"
#include "pages/macro/macroviewmodel.h"
#include "pages/macro/macrowindow.h"
#include "pages/performance/formsupport.h"
#include "pagetestsupport.h"

namespace {

// The editor with its file dialogs answered by the test.
class ScriptedMacroWindow : public MacroWindow
{
public:
    QString exportAnswer;
    QString importAnswer;
    int asked = 0;

protected:
    QString exportFileName() override
    {
        ++asked;
        return exportAnswer;
    }
    QString importFileName() override
    {
        ++asked;
        return importAnswer;
    }
};

// Records the mouse's macro area holds, read the way its firmware walks them.
int recordsOnMouse(const unsigned char *data)
{
    int pos = 2;
    int n = 0;
    while (pos + 1 < 192 && data[pos] != 0) {
        pos += (data[pos] == 127 || data[pos] == 255) ? 4 : 2;
        ++n;
    }
    return n;
}

const QString keyDown = MacroViewModel::keyDownIcon;
const QString keyUp = MacroViewModel::keyUpIcon;
const QString delay = MacroViewModel::delayIcon;

} // namespace

class TestMacroEditor : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    int roots = 0;
    MacroData *store = nullptr;
    MouseData *md = nullptr;
    ScriptedMacroWindow *page = nullptr;
    PageTestSupport rig;

    // A fresh data tree: QSettings caches files by path within the process, so a new path is
    // read from disk as by the next start of the program.
    void newRoot()
    {
        const QString root = dir.path() + QStringLiteral("/r%1").arg(roots++);
        QVERIFY(TestRoot::install(root));
    }
    // Puts macros into the store and builds the page on them, as at start-up.
    void openPage(const QStringList &names, const QStringList &actions)
    {
        delete page;
        store->macroNames() = names;
        store->macroActions() = actions;
        page = new ScriptedMacroWindow;
        page->resize(1200, 700);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page));
    }
    QStringList texts() const
    {
        QStringList out;
        for (const auto &r : page->actionModel->rows())
            out.append(r.text);
        return out;
    }
    QString stored(int macro) const { return store->macroActions().value(macro); }
    void selectAction(int row)
    {
        const QModelIndex index = page->actionModel->index(row, 0);
        page->actionList->setCurrentIndex(index);
        page->actionList->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    }
    void answer(const QString &text, bool ok = true)
    {
        QVERIFY(page->inputDialog.isVisible());
        page->inputDialog.infoEdit->setText(text);
        page->inputDialog.buttonBox->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        QVERIFY(!page->inputDialog.isVisible());
    }
    // As a user does it: the first click of a double click is an ordinary one.
    void doubleClick(QPoint at)
    {
        QTest::mouseClick(page->actionList->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(page->actionList->viewport(), Qt::LeftButton, {}, at);
    }
    QPoint rowPoint(int row, int fromRight) const
    {
        const QRect r = page->nameList->visualRect(page->nameModel->index(row, 0));
        return QPoint(r.right() - fromRight, r.center().y());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        newRoot();
        store = MacroData::instance();
        store->load();
        md = MouseData::instance();
        md->loadLanguage();
        md->load(0);
        md->screenClass = 0;
        QVERIFY(!md->languageText(97).isEmpty());

        QVERIFY(rig.attach(0));
    }
    void cleanupTestCase()
    {
        delete page;
        page = nullptr;
        PageTestSupport::shutdown();
    }
    void init()
    {
        for (KeyFunction &k : md->keyMatrix)
            k = KeyFunction{1, 0, 240, 0, md->functionText(1, 0, 240, 0)};
    }

    void constructionShowsFirstMacroWithIcons()
    {
        openPage({"one", "two"}, {"3@#A_-1@#50_-2@#A_-0@#MS-L_-1@#bad@#MS-L_-0", ""});
        QCOMPARE(page->objectName(), QStringLiteral("MacroWindow"));
        QCOMPARE(page->currentMacro, 0);
        QCOMPARE(page->nameModel->rowCount(), 2);
        QCOMPARE(page->nameList->currentIndex().row(), 0);
        QCOMPARE(page->loopTimes->text(), QStringLiteral("3"));
        // The malformed item is skipped; mouse names get mouse icons.
        QCOMPARE(texts(), (QStringList{"A", "50", "A", "MS-L", "MS-L"}));
        const auto &rows = page->actionModel->rows();
        QCOMPARE(rows.at(0).lead, keyDown);
        QCOMPARE(rows.at(1).lead, delay);
        QCOMPARE(rows.at(2).lead, keyUp);
        QCOMPARE(rows.at(3).lead, MacroViewModel::mouseDownIcon);
        QCOMPARE(rows.at(4).lead, MacroViewModel::mouseUpIcon);
        QCOMPARE(page->macroTxt->text(), md->languageText(80));
        QCOMPARE(page->insertDirection->itemText(1), md->languageText(90));

        // Clicking the second name shows its (empty) macro with a loop count of 1.
        QTest::mouseClick(page->nameList->viewport(), Qt::LeftButton, {}, rowPoint(1, 150));
        QCOMPARE(page->currentMacro, 1);
        QCOMPARE(page->actionModel->rowCount(), 0);
        QCOMPARE(page->loopTimes->text(), QStringLiteral("1"));
    }

    void insertAddsKeyMouseAndPauseRows()
    {
        openPage({"m"}, {"1@#A_-1@#10_-2@#A_-0"});
        QSignalSpy changed(page, &MacroWindow::macroActionChanged);

        // Capture B into the field and insert it after the last row.
        selectAction(2);
        page->insertDirection->setCurrentIndex(1);
        page->insertLineEdit->setFocus();
        QTest::keyClick(page->insertLineEdit, Qt::Key_B);
        QCOMPARE(page->insertLineEdit->text(), QStringLiteral("B"));
        page->insertBtn->click();
        QCOMPARE(stored(0), QStringLiteral("1@#A_-1@#10_-2@#A_-0@#B_-1@#10_-2@#B_-0@#10_-2"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 0);

        // A right click captures the right mouse button; inserted before row 0.
        QTest::mouseClick(page->insertLineEdit, Qt::RightButton);
        QCOMPARE(page->insertLineEdit->text(), QStringLiteral("MS-R"));
        selectAction(0);
        page->insertDirection->setCurrentIndex(0);
        page->insertBtn->click();
        QCOMPARE(texts().mid(0, 5), (QStringList{"MS-R", "10", "MS-R", "10", "A"}));
        QCOMPARE(page->actionModel->rows().at(0).lead, MacroViewModel::mouseDownIcon);
        QCOMPARE(page->actionModel->rows().at(2).lead, MacroViewModel::mouseUpIcon);

        // Pause mode: a number is inserted as one row, anything else inserts nothing.
        QTest::mouseClick(page->insertDelaySW, Qt::LeftButton);
        QVERIFY(page->insertLineEdit->numberMode);
        QVERIFY(page->insertLineEdit->text().isEmpty());
        QTest::mouseClick(page->insertLineEdit, Qt::RightButton);
        QVERIFY(page->insertLineEdit->text().isEmpty());
        QTest::keyClicks(page->insertLineEdit, QStringLiteral("75"));
        selectAction(4);
        page->insertBtn->click();
        QCOMPARE(page->actionModel->rows().at(4).text, QStringLiteral("75"));
        QCOMPARE(page->actionModel->rows().at(4).lead, delay);
        const int rows = page->actionModel->rowCount();
        page->insertLineEdit->setText(QStringLiteral("abc"));
        page->insertBtn->click();
        page->insertLineEdit->setText(QStringLiteral("-5"));
        page->insertBtn->click();
        QCOMPARE(page->actionModel->rowCount(), rows);

        // With rows but none selected nothing happens.
        page->actionList->selectionModel()->clearSelection();
        page->insertLineEdit->setText(QStringLiteral("20"));
        page->insertBtn->click();
        QCOMPARE(page->actionModel->rowCount(), rows);
    }

    // The buttons act on the highlighted macro, however the highlight got there; the insert
    // field takes only captured keys in capture mode and digits in pause mode.
    void highlightAndInsertFieldFollowTheScreen()
    {
        openPage({"a", "b", "c"}, {"1@#A_-1@#A_-0", "1@#B_-1@#B_-0", "1@#C_-1@#C_-0"});
        page->nameList->setFocus();
        QTest::keyClick(page->nameList, Qt::Key_Down);
        QCOMPARE(page->nameList->currentIndex().row(), 1);
        QCOMPARE(page->currentMacro, 1);
        QCOMPARE(texts().first(), QStringLiteral("B"));
        page->deleteBtn->click();
        QCOMPARE(store->macroNames(), (QStringList{"a", "c"}));

        // Free text never reaches the mouse as key code 0.
        InputEdit *edit = page->insertLineEdit;
        QMimeData mime;
        mime.setText(QStringLiteral("hello"));
        QDropEvent drop(QPointF(edit->rect().center()), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit, &drop);
        QVERIFY(edit->text() != QStringLiteral("hello"));
        QTest::mouseClick(edit, Qt::MiddleButton);
        QCOMPARE(edit->text(), QStringLiteral("MS-M"));
        edit->setText(QStringLiteral("hello"));
        const QString before = stored(page->currentMacro);
        selectAction(0);
        page->insertBtn->click();
        QCOMPARE(stored(page->currentMacro), before);

        QTest::mouseClick(page->insertDelaySW, Qt::LeftButton);
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("1,5a0"));
        QCOMPARE(edit->text(), QStringLiteral("150"));
    }

    void insertIntoEmptyMacroAppends()
    {
        openPage({"empty"}, {""});
        QCOMPARE(page->actionModel->rowCount(), 0);
        page->insertLineEdit->setText(QStringLiteral("C"));
        page->insertBtn->click();
        QCOMPARE(stored(0), QStringLiteral("1@#C_-1@#10_-2@#C_-0@#10_-2"));
        // An empty capture field inserts nothing.
        page->insertLineEdit->clear();
        selectAction(0);
        page->insertBtn->click();
        QCOMPARE(page->actionModel->rowCount(), 4);
    }

    void fullListRefusesInsertWithMessage()
    {
        QString big = QStringLiteral("1");
        for (int i = 0; i < 177; ++i)
            big += QStringLiteral("@#10_-2");
        openPage({"full"}, {big});
        QCOMPARE(page->actionModel->rowCount(), 177);
        selectAction(0);
        page->insertLineEdit->setText(QStringLiteral("A"));
        QSignalSpy changed(page, &MacroWindow::macroActionChanged);
        page->insertBtn->click();
        QVERIFY(page->infoBox->isVisible());
        QCOMPARE(page->infoBox->windowTitle(), md->languageText(96));
        QCOMPARE(page->infoBox->text(), md->languageText(97));
        QCOMPARE(page->actionModel->rowCount(), 177);
        QCOMPARE(stored(0), big);
        QCOMPARE(changed.count(), 0);
        page->infoBox->close();

        // 176 rows still take four more.
        page->actionModel->removeRow(0);
        selectAction(0);
        page->insertBtn->click();
        QCOMPARE(page->actionModel->rowCount(), 180);
        QVERIFY(!page->infoBox->isVisible());
    }

    void loopCountAndDeletion()
    {
        openPage({"m"}, {"2@#A_-1@#10_-2@#A_-0"});
        QSignalSpy changed(page, &MacroWindow::macroActionChanged);
        // A count that is no number is refused where it was typed, and nothing is stored.
        page->loopTimes->setText(QStringLiteral("abc"));
        emit page->loopTimes->editingFinished();
        QCOMPARE(stored(0), QStringLiteral("2@#A_-1@#10_-2@#A_-0"));
        QVERIFY(FormSupport::isRefused(page->loopTimes));
        QCOMPARE(page->loopTimes->toolTip(), md->languageText(132));
        QCOMPARE(changed.count(), 0);
        page->loopTimes->setFocus();
        page->loopTimes->clear();
        QTest::keyClicks(page->loopTimes, QStringLiteral("x7"));
        QCOMPARE(page->loopTimes->text(), QStringLiteral("7"));

        page->loopTimes->setText(QStringLiteral("5"));
        emit page->loopTimes->editingFinished();
        QCOMPARE(stored(0), QStringLiteral("5@#A_-1@#10_-2@#A_-0"));
        QVERIFY(!FormSupport::isRefused(page->loopTimes));
        QCOMPARE(changed.count(), 1);
        // Unchanged: nothing to tell the mouse.
        emit page->loopTimes->editingFinished();
        QCOMPARE(changed.count(), 1);
        // Counts the mouse's two bytes cannot hold are refused; edits meanwhile keep the count.
        page->loopTimes->setText(QStringLiteral("70000"));
        emit page->loopTimes->editingFinished();
        QVERIFY(FormSupport::isRefused(page->loopTimes));
        QVERIFY(stored(0).startsWith(QStringLiteral("5@#")));

        // Deleting actions one by one down to none leaves an empty action string.
        for (int left = 3; left > 0; --left) {
            selectAction(0);
            page->valueDeleteBtn->click();
            QCOMPARE(page->actionModel->rowCount(), left - 1);
        }
        QCOMPARE(stored(0), QString());
        // Nothing left to delete.
        page->valueDeleteBtn->click();
        QCOMPARE(stored(0), QString());
    }

    void pauseEditingByDoubleClick()
    {
        openPage({"m"}, {"1@#A_-1@#30_-2@#A_-0"});
        QSignalSpy changed(page, &MacroWindow::macroActionChanged);
        const QRect key = page->actionList->visualRect(page->actionModel->index(0, 0));
        doubleClick(key.center());
        QVERIFY(!page->inputDialog.isVisible());

        const QRect pause = page->actionList->visualRect(page->actionModel->index(1, 0));
        doubleClick(pause.center());
        QCOMPARE(page->dialogMode, 2);
        // The prompt says what to enter, and opens over the window, every time.
        QCOMPARE(page->inputDialog.infoText->text(), md->languageText(160));
        QCOMPARE(page->inputDialog.text(), QStringLiteral("30"));
        auto centred = [this]() {
            const QPoint off = page->inputDialog.frameGeometry().center() - page->window()->frameGeometry().center();
            return off.manhattanLength() <= 2;
        };
        QVERIFY(centred());
        answer(QStringLiteral("250"));
        QCOMPARE(stored(0), QStringLiteral("1@#A_-1@#250_-2@#A_-0"));
        QCOMPARE(changed.count(), 1);
        page->window()->move(page->window()->pos() + QPoint(120, 60));
        doubleClick(pause.center());
        QVERIFY(centred());
        answer(QStringLiteral("1"), false);

        doubleClick(pause.center());
        answer(QStringLiteral("soon"));
        QCOMPARE(stored(0), QStringLiteral("1@#A_-1@#10_-2@#A_-0"));

        doubleClick(pause.center());
        answer(QStringLiteral("99"), false);
        QCOMPARE(stored(0), QStringLiteral("1@#A_-1@#10_-2@#A_-0"));
        QCOMPARE(changed.count(), 2);

        // From the keyboard: Enter on a pause row opens the same prompt.
        page->actionList->setFocus();
        page->actionList->setCurrentIndex(page->actionModel->index(1, 0));
        QTest::keyClick(page->actionList, Qt::Key_Return);
        QVERIFY(page->inputDialog.isVisible());
        answer(QStringLiteral("40"));
        QCOMPARE(stored(0), QStringLiteral("1@#A_-1@#40_-2@#A_-0"));
    }

    void addAndRenameMacros()
    {
        // A deleted macro left its action string behind in the store.
        openPage({"first"}, {"1@#A_-1@#A_-0", "1@#Z_-1@#Z_-0"});
        QSignalSpy names(store, &MacroData::macroNameChanged);

        page->addBtn->click();
        QCOMPARE(page->dialogMode, 0);
        answer(QStringLiteral("   "));
        page->addBtn->click();
        answer(QStringLiteral("ignored"), false);
        QCOMPARE(page->nameModel->rowCount(), 1);
        QCOMPARE(names.count(), 0);

        page->addBtn->click();
        answer(QStringLiteral("second"));
        QCOMPARE(store->macroNames(), (QStringList{"first", "second"}));
        QCOMPARE(names.count(), 1);
        QCOMPARE(stored(1), QString());
        QCOMPARE(page->currentMacro, 1);
        QCOMPARE(page->actionModel->rowCount(), 0);

        page->addBtn->click();
        answer(QStringLiteral("third"));
        QCOMPARE(store->macroActions().size(), 3);
        QCOMPARE(page->nameModel->rows().at(2).lead, QStringLiteral("2"));

        // A name holding the store's separator would come back as two names.
        page->addBtn->click();
        answer(QStringLiteral("a@#b"));
        QCOMPARE(store->macroNames().size(), 4);
        QVERIFY(!store->macroNames().join(QString()).contains(QStringLiteral("@#")));

        // Rename through the row's menu; a button bound to it shows the new name.
        md->keyMatrix[3] = KeyFunction{2, 0, 1, 3, QStringLiteral("first")};
        page->openContextMenuProc(rowPoint(0, 5));
        QVERIFY(page->contextMenu->isVisible());
        page->renameAction->trigger();
        page->contextMenu->close();
        QCOMPARE(page->dialogMode, 1);
        QCOMPARE(page->inputDialog.text(), QStringLiteral("first"));
        answer(QStringLiteral("renamed"));
        QCOMPARE(store->macroNames().at(0), QStringLiteral("renamed"));
        QCOMPARE(page->nameModel->rows().at(0).text, QStringLiteral("renamed"));
        QCOMPARE(md->keyMatrix.at(3).label, QStringLiteral("renamed"));
    }

    void addStopsWhereButtonsCanReach()
    {
        // A button names its macro in one byte: a macro beyond could never be bound.
        QStringList names, actions;
        for (int i = 0; i < MacroData::MaxMacros; ++i) {
            names << QStringLiteral("m%1").arg(i);
            actions << QStringLiteral("1@#A_-1@#A_-0");
        }
        openPage(names, actions);
        page->addBtn->click();
        QVERIFY(!page->inputDialog.isVisible());
        QVERIFY(page->infoBox->isVisible());
        QCOMPARE(page->infoBox->text(), md->languageText(222).arg(MacroData::MaxMacros));
        page->infoBox->close();
        QCOMPARE(store->macroNames().size(), MacroData::MaxMacros);
    }

    void contextMenuOnlyFromRightEndStrip()
    {
        openPage({"a", "b", "c"}, {"1@#A_-1@#A_-0", "1@#B_-1@#B_-0", "1@#C_-1@#C_-0"});
        QSignalSpy strip(page->nameDelegate, &MacroViewDelegate::openContextMenu);

        // A click in the middle of a row selects it without a menu.
        QTest::mouseClick(page->nameList->viewport(), Qt::LeftButton, {}, rowPoint(1, 120));
        QCOMPARE(page->currentMacro, 1);
        QCOMPARE(strip.count(), 0);
        QVERIFY(!page->contextMenu->isVisible());

        // A right click anywhere does nothing.
        QContextMenuEvent right(QContextMenuEvent::Mouse, rowPoint(2, 5), page->nameList->viewport()->mapToGlobal(rowPoint(2, 5)));
        QCoreApplication::sendEvent(page->nameList->viewport(), &right);
        QVERIFY(!page->contextMenu->isVisible());
        QCOMPARE(page->currentMacro, 1);

        // Released on the right 23 pixels of row 2: its menu, and row 2 shown.
        QTest::mouseClick(page->nameList->viewport(), Qt::LeftButton, {}, rowPoint(2, 20));
        QCOMPARE(strip.count(), 1);
        QTRY_VERIFY(page->contextMenu->isVisible());
        QCOMPARE(page->currentMacro, 2);
        QCOMPARE(texts(), (QStringList{"C", "C"}));
        QCOMPARE(page->contextMenu->actions().at(0)->text(), md->languageText(94));
        QCOMPARE(page->contextMenu->actions().at(1)->text(), md->languageText(95));
        page->contextMenu->close();

        // A position below the last row is taken as the last row.
        QTest::mouseClick(page->nameList->viewport(), Qt::LeftButton, {}, rowPoint(0, 120));
        page->openContextMenuProc(QPoint(rowPoint(0, 5).x(), 10000));
        QCOMPARE(page->currentMacro, 2);
        QCOMPARE(page->nameList->currentIndex().row(), 2);
        page->contextMenu->close();

        // From the keyboard: the Menu key and Shift+F10 open it for the current row.
        page->nameList->setFocus();
        page->nameList->setCurrentIndex(page->nameModel->index(0, 0));
        QTest::keyClick(page->nameList, Qt::Key_Menu);
        QTRY_VERIFY(page->contextMenu->isVisible());
        QCOMPARE(page->currentMacro, 0);
        page->contextMenu->close();
        page->nameList->setCurrentIndex(page->nameModel->index(1, 0));
        QTest::keyClick(page->nameList, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(page->contextMenu->isVisible());
        QCOMPARE(page->currentMacro, 1);
        page->contextMenu->close();
    }

    void contextMenuFollowsScrolledList()
    {
        QStringList names, actions;
        for (int i = 0; i < 30; ++i) {
            names << QStringLiteral("n%1").arg(i);
            actions << QStringLiteral("1@#A_-1@#A_-0");
        }
        openPage(names, actions);
        page->nameList->scrollToBottom();
        QVERIFY(page->nameList->verticalScrollBar()->value() > 0);
        const QPoint p = rowPoint(29, 5);
        page->openContextMenuProc(p);
        QCOMPARE(page->currentMacro, 29);
        page->contextMenu->close();
    }

    void deletingMacroRebindsButtons()
    {
        openPage({"a", "b", "c"}, {"1@#A_-1@#A_-0", "1@#B_-1@#B_-0", "1@#C_-1@#C_-0"});
        md->isDefaultKey = 1;
        md->keyMatrix[1] = KeyFunction{2, 0, 1, 1, QStringLiteral("a")};
        md->keyMatrix[2] = KeyFunction{2, 1, 3, 2, QStringLiteral("b")};
        md->keyMatrix[3] = KeyFunction{2, 2, 2, 3, QStringLiteral("c")};
        md->sendAllKeys();
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(2, 10, 1, 3, 2), 5000);
        QSignalSpy refresh(md, &MouseData::refreashData);

        QTest::mouseClick(page->nameList->viewport(), Qt::LeftButton, {}, rowPoint(1, 120));
        page->deleteBtn->click();

        QCOMPARE(store->macroNames(), (QStringList{"a", "c"}));
        QCOMPARE(store->macroActions(), (QStringList{"1@#A_-1@#A_-0", "1@#C_-1@#C_-0"}));
        QVERIFY(md->keyMatrix.at(1).is(2, 0, 1, 1));
        QCOMPARE(md->keyMatrix.at(1).label, QStringLiteral("a"));
        // The button of the deleted macro says what it does now, and the mouse does that.
        QVERIFY(md->keyMatrix.at(2).is(0, 0, 0, 0));
        QCOMPARE(md->keyMatrix.at(2).label, md->languageText(11));
        QVERIFY(md->keyMatrix.at(3).is(2, 1, 2, 3));
        QCOMPARE(md->keyMatrix.at(3).label, QStringLiteral("c"));
        QVERIFY(refresh.count() >= 1);
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(2, 1, 0, 0, 0), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(3, 10, 1, 2, 3), 5000);

        // The macro now current is the one shown, so editing it keeps its actions.
        QCOMPARE(page->nameList->currentIndex().row(), page->currentMacro);
        const int shown = page->currentMacro;
        QCOMPARE(texts().first(), store->macroNames().at(shown).toUpper());
        emit page->loopTimes->editingFinished();
        QCOMPARE(store->macroActions().at(shown).count(QStringLiteral("_-")), 2);

        // Deleting through the menu; a new macro does not pick up the freed buttons.
        page->openContextMenuProc(rowPoint(0, 5));
        page->deleteAction->trigger();
        page->contextMenu->close();
        QCOMPARE(store->macroNames(), (QStringList{"c"}));
        QVERIFY(md->keyMatrix.at(1).is(0, 0, 0, 0));
        QVERIFY(md->keyMatrix.at(3).is(2, 0, 2, 3));
        page->addBtn->click();
        answer(QStringLiteral("new"));
        QVERIFY(md->keyMatrix.at(2).is(0, 0, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(1, 1, 0, 0, 0), 5000);
        QCOMPARE(rig.state().errors, 0u);
    }

    void deletingTheLastMacroLeavesNothingSelected()
    {
        openPage({"only"}, {"1@#A_-1@#A_-0"});
        page->deleteBtn->click();
        QCOMPARE(page->currentMacro, -1);
        QVERIFY(store->macroNames().isEmpty());
        QVERIFY(store->macroActions().isEmpty());
        page->deleteBtn->click();
        page->clearActionProc();
        page->recordBtn->click();
        QVERIFY(!page->recording);
        QVERIFY(store->macroActions().isEmpty());
    }

    void macroChangeReachesEveryBoundButton()
    {
        openPage({"x", "y"}, {"1@#Q_-1@#Q_-0", "1@#A_-1@#10_-2@#A_-0"});
        connect(page, &MacroWindow::macroActionChanged, md, &MouseData::macroActionChangedProc);
        md->keyMatrix[2] = KeyFunction{2, 1, 1, 2, QStringLiteral("y")};
        md->keyMatrix[4] = KeyFunction{2, 1, 3, 4, QStringLiteral("y")};
        md->keyMatrix[5] = KeyFunction{2, 0, 1, 5, QStringLiteral("x")};

        QTest::mouseClick(page->nameList->viewport(), Qt::LeftButton, {}, rowPoint(1, 120));
        selectAction(2);
        page->insertDirection->setCurrentIndex(1);
        page->insertLineEdit->setText(QStringLiteral("B"));
        page->insertBtn->click();
        QCOMPARE(stored(1), QStringLiteral("1@#A_-1@#10_-2@#A_-0@#B_-1@#10_-2@#B_-0@#10_-2"));

        // Loops 1; each record carries the pause before it: A down (1), A up 10 ms later, B down
        // straight after (0, sent as 1), B up 10 ms later.
        const unsigned char expected[] = {0, 1, 1, 4, 10 | 0x80, 4, 1, 5, 10 | 0x80, 5, 0};
        const auto has = [&](int button) {
            const vmouse_state s = rig.state();
            return std::equal(std::begin(expected), std::end(expected), s.macros[button]);
        };
        QTRY_VERIFY_WITH_TIMEOUT(has(2) && has(4), 5000);
        QVERIFY(!has(5));
    }

    void warnsWhenMacroDoesNotFitTheMouse()
    {
        // 60 key actions, each after a pause too long for a short record.
        QString big = QStringLiteral("1");
        for (int i = 0; i < 30; ++i)
            big += QStringLiteral("@#A_-1@#200_-2@#A_-0@#200_-2");
        int total = 0;
        const int fit = MacroWindow::fittingActions(big, &total);
        QCOMPARE(total, 60);
        QVERIFY(fit < total);

        openPage({"long", "short"}, {big, "1@#A_-1@#A_-0"});
        QVERIFY(page->fitTxt->isVisible());
        QVERIFY(page->fitTxt->text().contains(QString::number(fit)));
        QVERIFY(page->fitTxt->text().contains(QStringLiteral("60")));

        // The mouse holds exactly as many records as the warning says.
        connect(page, &MacroWindow::macroActionChanged, md, &MouseData::macroActionChangedProc);
        md->keyMatrix[3] = KeyFunction{2, 0, 1, 3, QStringLiteral("long")};
        page->loopTimes->setText(QStringLiteral("2"));
        emit page->loopTimes->editingFinished();
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().macros[3][1] == 2, 5000);
        QCOMPARE(recordsOnMouse(rig.state().macros[3]), fit);

        // Short pauses fit more; a short macro fits whole and hides the warning.
        QCOMPARE(MacroWindow::fittingActions(QString(big).replace("200_-2", "20_-2")), 60);
        QCOMPARE(MacroWindow::fittingActions(QString()), 0);
        QTest::mouseClick(page->nameList->viewport(), Qt::LeftButton, {}, rowPoint(1, 120));
        QVERIFY(!page->fitTxt->isVisible());
    }

    void importAppendsNamesAfterTheStore()
    {
        openPage({"a", "b", "c"}, {"1@#A_-1@#A_-0", "1@#B_-1@#B_-0", "1@#C_-1@#C_-0"});
        const QString file = dir.path() + "/two.mc";
        QFile::remove(file);
        QVERIFY(QFile::copy(QStringLiteral(MOUSECFG_TEST_DATA "/qt5-written/exchange.mc"), file));
        QSignalSpy names(store, &MacroData::macroNameChanged);

        page->importAnswer.clear();
        page->importBtn->click();
        QCOMPARE(page->asked, 1);
        QCOMPARE(store->macroNames().size(), 3);

        page->importAnswer = file;
        page->importBtn->click();
        QCOMPARE(store->macroNames(), (QStringList{"a", "b", "c", QStringLiteral("导入宏"), "Second"}));
        QCOMPARE(stored(3), QStringLiteral("1@#MS-L_-1@#20_-2@#MS-L_-0"));
        QCOMPARE(stored(4), QStringLiteral("2@#Space_-1@#Space_-0"));
        QCOMPARE(page->nameModel->rowCount(), 5);
        QCOMPARE(page->nameModel->rows().at(3).text, QStringLiteral("导入宏"));
        QVERIFY(names.count() >= 1);

        // A file without names changes nothing and says so.
        const QString empty = dir.path() + "/empty.mc";
        QFile(empty).open(QIODevice::WriteOnly);
        page->importAnswer = empty;
        page->importBtn->click();
        QCOMPARE(store->macroNames().size(), 5);
        QVERIFY(page->infoBox->isVisible());
        page->infoBox->close();
    }

    // Exchange files the import dialog can find again; files with unplayable macros refused
    // with the file and the fault named; a stray unreadable line skipped and reported.
    void exchangeFilesSayWhatIsWrong()
    {
        openPage({"a"}, {"1@#A_-1@#A_-0"});
        const QString bare = dir.path() + "/nosuffix";
        QFile::remove(bare + ".mc");
        page->exportAnswer = bare;
        page->exportBtn->click();
        QVERIFY(QFile::exists(bare + ".mc"));
        QVERIFY(!QFile::exists(bare));

        const auto write = [this](const QString &name, const QByteArray &content) {
            const QString path = dir.path() + QLatin1Char('/') + name;
            QFile f(path);
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write(content);
            return path;
        };
        const QString broken = write("broken.mc", "[macro]\nmacroName=good@#bad\n[action]\n"
                                                  "0=1@#A_-1@#A_-0\n1=1@#A_-1@#Q_-7@#A_-0\n");
        page->importAnswer = broken;
        page->importBtn->click();
        QCOMPARE(store->macroNames(), QStringList{"a"});
        QVERIFY(page->infoBox->isVisible());
        QVERIFY(page->infoBox->text().contains(QDir::toNativeSeparators(broken)));
        QVERIFY(page->infoBox->text().contains(QStringLiteral("bad")));
        QVERIFY(page->infoBox->text().contains(QStringLiteral("Q_-7")));
        page->infoBox->close();
        for (const QByteArray &item : {QByteArray("x@#A_-1"), QByteArray("1@#Nokey_-1"), QByteArray("1@#-5_-2"),
                                       QByteArray("1@#A")}) {
            page->importAnswer = write("item.mc", "[macro]\nmacroName=m\n[action]\n0=" + item + "\n");
            page->importBtn->click();
            QVERIFY2(page->infoBox->isVisible(), item.constData());
            page->infoBox->close();
        }
        QCOMPARE(store->macroNames(), QStringList{"a"});

        const QString stray = write("stray.mc", "[macro\nmacroName=kept\n[action]\n0=1@#B_-1@#B_-0\n");
        page->importAnswer = stray;
        page->importBtn->click();
        QCOMPARE(store->macroNames(), (QStringList{"a", "kept"}));
        QCOMPARE(stored(1), QStringLiteral("1@#B_-1@#B_-0"));
        QVERIFY(page->infoBox->isVisible());
        QVERIFY(page->infoBox->text().contains(QDir::toNativeSeparators(stray)));
        QVERIFY(page->infoBox->text().contains(QStringLiteral("[macro")));
        page->infoBox->close();
    }

    void chineseNameSurvivesExportImportAndRestart()
    {
        openPage({QStringLiteral("宏一"), "plain"}, {"1@#LCtrl_-1@#20_-2@#LCtrl_-0", "1@#A_-1@#A_-0"});
        const QString file = dir.path() + "/chinese.mc";
        page->exportAnswer = file;
        page->exportBtn->click();
        {
            QSettings mc(file, QSettings::IniFormat);
            QCOMPARE(mc.value("macro/macroName").toString(), QStringLiteral("宏一"));
            QCOMPARE(mc.value("action/0").toString(), QStringLiteral("1@#LCtrl_-1@#20_-2@#LCtrl_-0"));
        }

        // Into another installation with an empty store, then a restart.
        newRoot();
        openPage({}, {});
        QCOMPARE(page->currentMacro, -1);
        page->importAnswer = file;
        page->importBtn->click();
        QCOMPARE(store->macroNames(), (QStringList{QStringLiteral("宏一")}));
        QVERIFY(store->save());
        const QString saved = DataPaths::macroStore();
        newRoot();
        QFile::remove(DataPaths::macroStore());
        QVERIFY(QFile::copy(saved, DataPaths::macroStore()));
        store->load();
        QCOMPARE(store->macroNames(), (QStringList{QStringLiteral("宏一")}));
        QCOMPARE(stored(0), QStringLiteral("1@#LCtrl_-1@#20_-2@#LCtrl_-0"));
        openPage(store->macroNames(), store->macroActions());
        QCOMPARE(page->nameModel->rows().at(0).text, QStringLiteral("宏一"));
        QCOMPARE(texts(), (QStringList{"LCtrl", "20", "LCtrl"}));

        // Export without a macro asks nothing.
        openPage({}, {});
        page->asked = 0;
        page->exportBtn->click();
        QCOMPARE(page->asked, 0);
    }

    void rowsAndCaptureFieldSpeak()
    {
        openPage({QStringLiteral("宏一"), "two"}, {"1@#A_-1@#50_-2@#MS-L_-0", ""});
        QAccessibleInterface *names = QAccessible::queryAccessibleInterface(page->nameList);
        QVERIFY(names);
        QCOMPARE(names->text(QAccessible::Name), md->languageText(81));
        QStringList spokenNames;
        for (int i = 0; i < names->childCount(); ++i) {
            QAccessibleInterface *c = names->child(i);
            if (c && c->role() == QAccessible::ListItem)
                spokenNames << c->text(QAccessible::Name);
        }
        QCOMPARE(spokenNames, (QStringList{QStringLiteral("宏一"), "two"}));

        QAccessibleInterface *actions = QAccessible::queryAccessibleInterface(page->actionList);
        QVERIFY(actions);
        QStringList spoken;
        for (int i = 0; i < actions->childCount(); ++i) {
            QAccessibleInterface *c = actions->child(i);
            if (c && c->role() == QAccessible::ListItem)
                spoken << c->text(QAccessible::Name);
        }
        QCOMPARE(spoken.size(), 3);
        QVERIFY(spoken.at(0).startsWith(QStringLiteral("A ")));
        QVERIFY(spoken.at(1).contains(QStringLiteral("50")));
        QVERIFY(spoken.at(1).contains(md->languageText(92)));
        QVERIFY(spoken.at(2).startsWith(QStringLiteral("MS-L ")));
        QVERIFY(spoken.at(0) != QStringLiteral("A ") + spoken.at(2).mid(5));
        for (const QString &s : spoken)
            QVERIFY(!s.contains(QStringLiteral(":macro")));

        QAccessibleInterface *field = QAccessible::queryAccessibleInterface(page->insertLineEdit);
        QCOMPARE(field->text(QAccessible::Name), md->languageText(91));
        QTest::mouseClick(page->insertDelaySW, Qt::LeftButton);
        QCOMPARE(field->text(QAccessible::Name), md->languageText(92));
        for (QWidget *w : std::initializer_list<QWidget *>{page->addBtn, page->deleteBtn, page->importBtn,
                                                           page->exportBtn, page->valueDeleteBtn, page->recordBtn})
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }

    void screenshot()
    {
        openPage({QStringLiteral("连招"), "Reload", "Build"},
                 {"3@#LCtrl_-1@#20_-2@#C_-1@#10_-2@#C_-0@#10_-2@#LCtrl_-0@#150_-2@#MS-L_-1@#10_-2@#MS-L_-0", "", ""});
        selectAction(1);
        page->setStyleSheet(page->styleSheet() + QStringLiteral("QFrame#MacroWindow{background-color: rgb(26, 26, 26);}"));
        const QPixmap shot = page->grab();
        QVERIFY(!shot.isNull());
        const QString target = qEnvironmentVariableIsSet("MOUSECFG_SCREENSHOTS")
            ? QStringLiteral(MOUSECFG_SOURCE_DIR "/docs/screenshots/macro.png")
            : dir.path() + "/macro.png";
        QDir().mkpath(QFileInfo(target).path());
        QVERIFY(shot.save(target));
    }
};

QTEST_MAIN(TestMacroEditor)
#include "tst_macroeditor.moc"
