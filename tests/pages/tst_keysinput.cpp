#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "model/mousedata.h"
#include "pages/keys/funbtnwindow.h"
#include "pages/keys/groupkeyedit.h"
#include "pages/keys/keyboardfunctionmenu.h"
#include "pages/keys/macromenu.h"
#include "pages/keys/mousekey.h"
#include "pages/keys/mouseviewmodel.h"
#include "pages/keys/mousewindow.h"
#include "pagetestsupport.h"
#include "platform/scancode.h"

namespace {

// A key press as the platform delivers it, native scan code included.
void press(QWidget *w, int key, int pcScanCode = 0, Qt::KeyboardModifiers mods = Qt::NoModifier,
           const QString &text = QString())
{
    QKeyEvent e(QEvent::KeyPress, key, mods, pcScanCode ? ScanCode::toNative(pcScanCode) : 0, 0, 0, text);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestKeysInput : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    MouseData *md = nullptr;
    PageTestSupport rig;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(rig.startProfile(dir.path()));
        md = MouseData::instance();

        QVERIFY(rig.attach(0));
    }
    void cleanupTestCase()
    {
        PageTestSupport::shutdown();
    }

    void captureTranslatesKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("scan");
        QTest::addColumn<QString>("name");
        QTest::newRow("left ctrl") << int(Qt::Key_Control) << int(ScanCode::LeftCtrl) << "LCtrl";
        QTest::newRow("right ctrl") << int(Qt::Key_Control) << int(ScanCode::RightCtrl) << "RCtrl";
        QTest::newRow("left shift") << int(Qt::Key_Shift) << int(ScanCode::LeftShift) << "LShift";
        QTest::newRow("right shift") << int(Qt::Key_Shift) << int(ScanCode::RightShift) << "RShift";
        QTest::newRow("left alt") << int(Qt::Key_Alt) << int(ScanCode::LeftAlt) << "LAlt";
        QTest::newRow("right alt") << int(Qt::Key_Alt) << int(ScanCode::RightAlt) << "RAlt";
        QTest::newRow("altgr as right alt") << int(Qt::Key_AltGr) << int(ScanCode::RightAlt) << "RAlt";
        QTest::newRow("alt without known scan code") << int(Qt::Key_Alt) << 0 << "";
        QTest::newRow("meta") << int(Qt::Key_Meta) << 0 << "LWin";
        // With Shift held X reports left Alt as Meta_L; the scan code names the key.
        QTest::newRow("alt reported as meta") << int(Qt::Key_Meta) << int(ScanCode::LeftAlt) << "LAlt";
        QTest::newRow("left super") << int(Qt::Key_Super_L) << int(ScanCode::LeftMeta) << "LWin";
        QTest::newRow("right super") << int(Qt::Key_Super_R) << int(ScanCode::RightMeta) << "RWin";
        QTest::newRow("right super without scan code") << int(Qt::Key_Super_R) << 0 << "RWin";
        QTest::newRow("shifted digit has no usage") << int(Qt::Key_Exclam) << 0 << "";
        QTest::newRow("F12") << int(Qt::Key_F12) << 0 << md->keyNames.value(69);
        QTest::newRow("zero") << int(Qt::Key_0) << 0 << "0";
        QTest::newRow("plus") << int(Qt::Key_Plus) << 0 << "+";
    }
    void captureTranslatesKeys()
    {
        QFETCH(int, key);
        QFETCH(int, scan);
        QFETCH(QString, name);
        GroupKeyEdit edit;
        press(&edit, key, scan);
        QCOMPARE(edit.firstKey, name);
        QCOMPARE(edit.text(), name);
        QCOMPARE(edit.position, 1);
    }

    void captureFillsThreeSlotsAndWraps()
    {
        GroupKeyEdit edit;
        press(&edit, Qt::Key_A, 0, Qt::NoModifier, QStringLiteral("a"));
        press(&edit, Qt::Key_B, 0, Qt::NoModifier, QStringLiteral("b"));
        press(&edit, Qt::Key_C, 0, Qt::NoModifier, QStringLiteral("c"));
        QCOMPARE(edit.text(), QStringLiteral("A+B+C"));
        QCOMPARE(edit.position, 0);
        press(&edit, Qt::Key_D, 0, Qt::NoModifier, QStringLiteral("d"));
        QCOMPARE(edit.text(), QStringLiteral("D+B+C"));

        // Right button does nothing, left click starts over.
        QTest::mouseClick(&edit, Qt::RightButton);
        QCOMPARE(edit.text(), QStringLiteral("D+B+C"));
        QTest::mouseClick(&edit, Qt::LeftButton);
        QCOMPARE(edit.text(), QString());
        QCOMPARE(edit.position, 0);
        QVERIFY(edit.secondKey.isEmpty() && edit.thirdKey.isEmpty());

        // A nameless first key hides everything collected after it.
        press(&edit, Qt::Key_Exclam);
        press(&edit, Qt::Key_X);
        QCOMPARE(edit.text(), QString());
        QCOMPARE(edit.secondKey, QStringLiteral("X"));
    }

    void capturedCombinationReachesMouse()
    {
        keyboardFunctionMenu menu;
        menu.show();
        md->currentKey = 3;

        press(menu.inputEdit, Qt::Key_Control, ScanCode::LeftCtrl, Qt::ControlModifier);
        press(menu.inputEdit, Qt::Key_C, 0, Qt::ControlModifier);
        QCOMPARE(menu.inputEdit->text(), QStringLiteral("LCtrl+C"));
        QTest::mouseClick(menu.saveBtn, Qt::LeftButton);
        QVERIFY(md->keyMatrix.at(3).is(0, 224, 6, 0));
        QCOMPARE(md->keyMatrix.at(3).label, QStringLiteral("LCtrl+C"));
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(3, 1, 224, 6, 0), 5000);

        // "+" as a key: the captured keys are saved, not the text split at "+".
        QTest::mouseClick(menu.inputEdit, Qt::LeftButton);
        press(menu.inputEdit, Qt::Key_Control, ScanCode::LeftCtrl, Qt::ControlModifier);
        press(menu.inputEdit, Qt::Key_Plus, 0, Qt::ControlModifier, QStringLiteral("+"));
        QCOMPARE(menu.inputEdit->text(), QStringLiteral("LCtrl++"));
        QTest::mouseClick(menu.saveBtn, Qt::LeftButton);
        QVERIFY(md->keyMatrix.at(3).is(0, 224, 87, 0));
        QCOMPARE(md->keyMatrix.at(3).label, QStringLiteral("LCtrl++"));
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(3, 1, 224, 87, 0), 5000);

        // Three keys with a right-hand modifier.
        QTest::mouseClick(menu.inputEdit, Qt::LeftButton);
        press(menu.inputEdit, Qt::Key_Shift, ScanCode::RightShift, Qt::ShiftModifier);
        press(menu.inputEdit, Qt::Key_Alt, ScanCode::RightAlt, Qt::AltModifier);
        press(menu.inputEdit, Qt::Key_Delete);
        QTest::mouseClick(menu.saveBtn, Qt::LeftButton);
        QVERIFY(md->keyMatrix.at(3).is(0, 229, 230, 76));
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(3, 1, 229, 230, 76), 5000);

        // Cancel forgets the collected keys, so the next press starts a new combination.
        QTest::mouseClick(menu.cancelBtn, Qt::LeftButton);
        QCOMPARE(menu.inputEdit->text(), QString());
        press(menu.inputEdit, Qt::Key_Z);
        QCOMPARE(menu.inputEdit->text(), QStringLiteral("Z"));

        // An empty field saves a disabled key, labelled as such.
        QTest::mouseClick(menu.inputEdit, Qt::LeftButton);
        QTest::mouseClick(menu.saveBtn, Qt::LeftButton);
        QVERIFY(md->keyMatrix.at(3).is(0, 0, 0, 0));
        QCOMPARE(md->keyMatrix.at(3).label, md->languageText(11));
    }

    // Text that does not come from a key press never reaches the field, nor the mouse.
    void captureFieldRefusesForeignText()
    {
        keyboardFunctionMenu menu;
        menu.show();
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        md->currentKey = 4;
        GroupKeyEdit *edit = menu.inputEdit;
        QVERIFY(!edit->acceptDrops());

        QMimeData mime;
        mime.setText(QStringLiteral("Ctrl+C"));
        QDragEnterEvent enter(edit->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
        QDropEvent drop(QPointF(edit->rect().center()), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &drop);
        QCOMPARE(edit->text(), QString());
        edit->insert(QStringLiteral("hello"));
        QCOMPARE(edit->text(), QString());
        QInputMethodEvent im;
        im.setCommitString(QStringLiteral("x"));
        QApplication::sendEvent(edit, &im);
        QCOMPARE(edit->text(), QString());
        QTest::mouseClick(menu.saveBtn, Qt::LeftButton);
        QVERIFY(md->keyMatrix.at(4).is(0, 0, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(4, 1, 0, 0, 0), 5000);

        // Captured keys survive a foreign text: what is shown is what is saved.
        press(edit, Qt::Key_Control, ScanCode::LeftCtrl, Qt::ControlModifier);
        press(edit, Qt::Key_C, 0, Qt::ControlModifier);
        edit->insert(QStringLiteral("V"));
        QCOMPARE(edit->text(), QStringLiteral("LCtrl+C"));
        QTest::mouseClick(menu.saveBtn, Qt::LeftButton);
        QVERIFY(md->keyMatrix.at(4).is(0, 224, 6, 0));
        QTRY_VERIFY_WITH_TIMEOUT(rig.keyOnWire(4, 1, 224, 6, 0), 5000);
    }

    void tabLeavesTheCaptureField()
    {
        keyboardFunctionMenu menu;
        menu.show();
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        menu.inputEdit->setFocus();
        QTRY_VERIFY(menu.inputEdit->hasFocus());
        QTest::keyClick(menu.inputEdit, Qt::Key_Tab);
        QVERIFY(!menu.inputEdit->hasFocus());
        QCOMPARE(menu.inputEdit->text(), QString());
    }

    void modelRolesAndBounds()
    {
        mouseViewModel model;
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.appendRows({MenuRow("1", "MS-L", "1"), MenuRow(":/x.png", "Keyboard", "0"), MenuRow("Copy", "", "2")});
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model.rowCount(), 3);
        const QModelIndex first = model.index(0, 0);
        QCOMPARE(first.data(0).toString(), QStringLiteral("1"));
        QCOMPARE(first.data(1).toString(), QStringLiteral("MS-L"));
        QCOMPARE(first.data(2).toString(), QStringLiteral("1"));
        QVERIFY(!first.data(Qt::ToolTipRole).isValid());
        QVERIFY(!model.index(3, 0).data(0).isValid());

        // Screen readers get the number and the function, the caption, or the text.
        QCOMPARE(first.data(Qt::AccessibleTextRole).toString(), QStringLiteral("1: MS-L"));
        QCOMPARE(model.index(1, 0).data(Qt::AccessibleTextRole).toString(), QStringLiteral("Keyboard"));
        QCOMPARE(model.index(2, 0).data(Qt::AccessibleTextRole).toString(), QStringLiteral("Copy"));

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.setData(first, "LCtrl+C", 1));
        QCOMPARE(first.data(1).toString(), QStringLiteral("LCtrl+C"));
        QVERIFY(!model.setData(first, "x", Qt::ToolTipRole));
        QVERIFY(!model.setData(QModelIndex(), "x", 0));
        QCOMPARE(changed.count(), 0);

        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        model.clearRows();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 0);
    }

    void navigationColumn()
    {
        funBtnWindow nav;
        nav.show();
        QVERIFY(nav.keyBtn->isChecked());
        QSignalSpy select(&nav, &funBtnWindow::windowSelect);
        QTest::mouseClick(nav.macroBtn, Qt::LeftButton);
        QCOMPARE(select.count(), 1);
        QCOMPARE(select.at(0).at(0).toInt(), 3);
        QVERIFY(!nav.keyBtn->isChecked());

        nav.setCurrentButton(1);
        nav.setCurrentButton(5);
        nav.setCurrentButton(-1);
        QVERIFY(nav.dpiBtn->isChecked());
        QCOMPARE(select.count(), 1);

        nav.setLightButtonVisible(false);
        QVERIFY(nav.lightBtn->isHidden());
        nav.setLightButtonVisible(true);
        QVERIFY(!nav.lightBtn->isHidden());
        for (QPushButton *b : {nav.keyBtn, nav.dpiBtn, nav.lightBtn, nav.macroBtn, nav.sensorBtn})
            QVERIFY(!b->accessibleName().isEmpty());
    }

    void mousePagePictureAndMarkers()
    {
        mouseWindow page;
        page.resize(800, 800);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));

        const uchar saved = md->deviceType;
        md->deviceType = 6;
        page.deviceChangedProc(6);
        QCOMPARE(page.mouseImage->pixmap().size(), QImage(QStringLiteral(":/images/mouse_1.png")).size());
        const QPoint origin = page.mouseImage->pos();
        QCOMPARE(page.markers[5]->pos(), origin + QPoint(190, 290));
        QCOMPARE(page.markers[0]->pos(), origin + QPoint(-160, 120));

        md->deviceType = 0;
        page.deviceChangedProc(0);
        QCOMPARE(page.markers[5]->pos(), page.mouseImage->pos() + QPoint(108, 250));
        md->deviceType = saved;
        // The picture decoded ahead is the one shown, whichever family comes first.
        const auto shows = [](const mouseWindow &p, const QString &file) {
            const auto f = QImage::Format_ARGB32_Premultiplied;
            return p.mouseImage->pixmap().toImage().convertToFormat(f) == QImage(file).convertToFormat(f);
        };
        QVERIFY(shows(page, QStringLiteral(":/images/mouse.png")));
        page.deviceChangedProc(6);
        QVERIFY(shows(page, QStringLiteral(":/images/mouse_1.png")));
        mouseWindow fresh;
        fresh.deviceChangedProc(2);
        QVERIFY(shows(fresh, QStringLiteral(":/images/mouse.png")));
        fresh.deviceChangedProc(2);
        QVERIFY(shows(fresh, QStringLiteral(":/images/mouse.png")));
        QCOMPARE(mouseWindow::pictureFor(5, 4), QStringLiteral(":/images/mouseH_1.png"));
        QCOMPARE(mouseWindow::pictureFor(255, 4), QStringLiteral(":/images/mouseH.png"));
        QCOMPARE(mouseWindow::pictureFor(2, 0), QStringLiteral(":/images/mouse.png"));

        // Markers follow the page on resize.
        page.resize(1000, 800);
        QTRY_COMPARE(page.markers[1]->pos(), page.mouseImage->pos() + QPoint(158, 150));
        QCOMPARE(page.markers[0]->width(), 218);
        QVERIFY(!page.markers[0]->rightSide);
        QVERIFY(page.markers[1]->rightSide);
    }

    void largeScreenSizes()
    {
        md->screenClass = 4;
        mouseWindow page;
        md->screenClass = 0;
        QCOMPARE(page.minimumSize(), QSize(1200, 900));
        QCOMPARE(page.markers[0]->width(), 338);
        QCOMPARE(page.markers[1]->width(), 286);
        QCOMPARE(page.markers[0]->height(), 36);
    }

    void markersAreAccessibleButtons()
    {
        mouseWindow page;
        page.show();
        MouseKey *key = page.markers[2];
        key->setText(QStringLiteral("Volume Up"));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(key);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::Button);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Button 3: Volume Up"));
        QVERIFY(key->focusPolicy() & Qt::TabFocus);

        QSignalSpy click(key, &MouseKey::mouseKeyClick);
        QAccessibleActionInterface *action = iface->actionInterface();
        QVERIFY(action);
        QVERIFY(action->actionNames().contains(QAccessibleActionInterface::pressAction()));
        action->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(click.count(), 1);
        QCOMPARE(click.at(0).at(0).toInt(), 2);

        MacroMenu macros;
        QAccessibleInterface *link = QAccessible::queryAccessibleInterface(macros.macroBtn);
        QVERIFY(link);
        QCOMPARE(link->role(), QAccessible::Link);
        QCOMPARE(link->text(QAccessible::Name), md->languageText(32));
    }

    void markerPaintsSelectionInAccent()
    {
        mouseWindow page;
        MouseKey *key = page.markers[0];
        const int y = 28;  // the line across the marker
        const QImage plain = key->grab().toImage();
        const QColor white(plain.pixel(key->width() / 2, y));
        QVERIFY2(white.red() > 240 && white.green() > 240 && white.blue() > 240, qPrintable(white.name()));
        key->setSelected(true);
        const QImage lit = key->grab().toImage();
        QCOMPARE(QColor(lit.pixel(key->width() / 2, y)), QColor(255, 80, 0));
        // The big circle sits at the end nearer the picture.
        QCOMPARE(QColor(lit.pixel(key->width() - 7, y)), QColor(255, 80, 0));
        QVERIFY(QColor(lit.pixel(key->width() / 2, y + 4)) != QColor(255, 80, 0));
    }
};

QTEST_MAIN(TestKeysInput)
#include "tst_keysinput.moc"
