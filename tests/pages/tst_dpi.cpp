#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include "device/controller.h"
#include "device/ic553.h"
#include "model/mousedata.h"
#include "model/mousedefaultdata.h"
#include "pages/accessibility/accessiblefactory.h"
#include "pages/accessibility/announcer.h"
#include "pages/performance/dpibtn.h"
#include "pages/performance/dpiwindow.h"
#include "pagetestsupport.h"
#include "sim/vmouse.h"

namespace {

// The DPI code the chip protocol puts on the wire for a family-0 mouse (threshold 7200).
int code0(int dpi)
{
    return dpi > 7200 ? dpi / 100 - 1 : dpi / 50 - 1;
}

} // namespace

class TestDpi : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;
    MouseData *md = nullptr;
    MouseDefaultData *dd = nullptr;
    DPIWindow *page = nullptr;
    PageTestSupport rig;

    DpiBtn *card(int i) const { return page->cards.at(i); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(rig.startProfile(dir.path()));
        md = MouseData::instance();
        dd = MouseDefaultData::instance();
        md->isDefaultDPI = 0;
        md->isXY = 0;

        // As the program does, before the first widget: the faces are fixed on first use.
        AccessibleFactory::install();
        page = new DPIWindow;
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page));
        page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page));

        QVERIFY(rig.attach(0));
    }
    void cleanupTestCase()
    {
        delete page;
        PageTestSupport::shutdown();
    }
    void init()
    {
        // Each test starts from the user's set, five levels, level 0 active, separate X/Y off.
        md->currentDpiCount = 5;
        md->isDefaultDPI = 0;
        page->usrDPIBtn->click();
        page->dpiComboBox->setCurrentIndex(4);
        if (page->xyBtn->isChecked())
            page->xyBtn->click();
        page->selectChangedProc(0);
        rig.settle();
    }

    void controlsAreInertUntilAMouseIsKnown()
    {
        DPIWindow fresh;
        QSignalSpy sent(Controller::instance(), &Controller::send);
        const uchar rate = md->reportRate;
        fresh.rate1000Btn->click();
        fresh.xyBtn->click();
        fresh.dpiComboBox->setCurrentIndex(1);
        QTest::mouseClick(fresh.cards.at(2), Qt::LeftButton);
        QCOMPARE(sent.count(), 0);
        QCOMPARE(md->reportRate, rate);
        QCOMPARE(int(md->currentDpiCount), 5);
    }

    void deviceInitialisationPerFamily()
    {
        // Family 0: its limits, the cyan fourth card, the sixth card hidden.
        QCOMPARE(page->xSlider->maximum(), 12000);
        QCOMPARE(page->xSlider->minimum(), 200);
        QCOMPARE(page->ySlider->singleStep(), 100);
        QCOMPARE(page->xSlider->pageStep(), 1000);
        QCOMPARE(card(3)->color, QColor(0, 255, 255));
        QVERIFY(card(5)->isHidden());
        for (int i = 0; i < 5; ++i)
            QVERIFY(card(i)->isVisible());

        // Family 6 reads the "_1" limits and paints the fourth card yellow; the rate box follows
        // the profile.
        md->reportRate = 4;
        QVERIFY(rig.attach(6));
        QCOMPARE(page->xSlider->maximum(), 16000);
        QCOMPARE(page->ySlider->minimum(), 200);
        QCOMPARE(card(3)->color, QColor(255, 255, 0));
        QCOMPARE(card(0)->color, QColor(255, 0, 0));
        QCOMPARE(card(4)->color, QColor(255, 0, 255));
        QVERIFY(page->rate250Btn->isChecked());
        QCOMPARE(page->dpiComboBox->count(), 5);

        // A rate code the page does not know leaves the boxes alone.
        md->reportRate = 3;
        QVERIFY(rig.attach(0));
        QVERIFY(page->rate250Btn->isChecked());
        QCOMPARE(card(3)->color, QColor(0, 255, 255));

        // Three initialisations: still one set of connections, so one click sends one DPI
        // command (four reports) and one lighting re-send (two).
        QSignalSpy sent(Controller::instance(), &Controller::send);
        QTest::mouseClick(card(1), Qt::LeftButton);
        QCOMPARE(sent.count(), 6);
        QCOMPARE(sent.at(0).at(1).toString().split('_').at(1), QStringLiteral("8"));
        QCOMPARE(sent.at(4).at(1).toString().split('_').at(1), QStringLiteral("12"));
        QCOMPARE(sent.at(5).at(1).toString().split('_').at(1), QStringLiteral("6"));
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().currentLevel), 1, 5000);
        QVERIFY(card(1)->selected);
        QVERIFY(!card(0)->selected);
    }

    void levelMaskFollowsCountAndSet()
    {
        page->dpiComboBox->setCurrentIndex(2);
        QCOMPARE(int(md->currentDpiCount), 3);
        QVERIFY(card(2)->isVisible());
        QVERIFY(card(3)->isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().enableMask), 7, 5000);

        // The factory set enables all five levels whatever the combo shows, and shows its values.
        page->defaultDPIBtn->click();
        QCOMPARE(int(md->isDefaultDPI), 1);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().enableMask), 31, 5000);
        QCOMPARE(card(1)->xDpi(), dd->xDpiList.at(1).toInt());
        QCOMPARE(page->dpiComboBox->currentIndex(), dd->currentDpiCount - 1);

        // A count change while the factory set is in use switches to the user's set, and the
        // mouse gets that set's mask at once, with the values shown.
        rig.settle();
        page->dpiComboBox->setCurrentIndex(1);
        QVERIFY(page->usrDPIBtn->isChecked());
        QCOMPARE(int(md->isDefaultDPI), 0);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().enableMask), 3, 5000);
        QCOMPARE(md->xDpiList.at(1).toInt(), card(1)->xDpi());

        // Choosing the factory set leaves the user's lists untouched.
        md->setDpi(0, 2, 2400);
        page->defaultDPIBtn->click();
        QCOMPARE(md->xDpiList.at(2).toInt(), 2400);
        page->usrDPIBtn->click();
        QCOMPARE(card(2)->xDpi(), 2400);
    }

    void commandRepeatsXWithoutSeparateY()
    {
        const int xs[6] = {800, 1600, 3200, 4800, 6400, 0};
        for (int i = 0; i < 6; ++i) {
            card(i)->setXDpi(xs[i]);
            card(i)->setYDpi(400 + 100 * i);
        }
        page->selectChangedProc(2);
        QCOMPARE(page->dpiText(), QStringLiteral("800_1600_3200_4800_6400_0_0_0_"
                                                 "800_1600_3200_4800_6400_0_0_0_2_31"));
        auto onWire = [this, &xs] {
            const vmouse_state s = rig.state();
            for (int i = 0; i < 6; ++i) {
                if (s.dpiX[i] != uchar(code0(xs[i])) || s.dpiY[i] != uchar(code0(xs[i])))
                    return false;
            }
            return s.currentLevel == 2;
        };
        QTRY_VERIFY_WITH_TIMEOUT(onWire(), 5000);

        // Separate X/Y: the cards show their Y fields, starting from Y = X at every level, and
        // what is shown, stored and sent agree; the mouse keeps what it had.
        QSignalSpy sent(Controller::instance(), &Controller::send);
        page->xyBtn->click();
        QCOMPARE(int(md->isXY), 1);
        QVERIFY(card(0)->m_y->isVisible());
        QVERIFY(page->ySlider->isVisible());
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(card(i)->yDpi(), xs[i]);
            QCOMPARE(md->yDpiList.at(i).toInt(), xs[i]);
        }
        QCOMPARE(page->ySlider->value(), xs[2]);
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() > 0, 5000);
        rig.settle();
        QVERIFY(onWire());

        // A Y of its own goes out.
        rig.typeInto(card(1)->m_y, QStringLiteral("500"));
        QTest::keyClick(card(1)->m_y, Qt::Key_Return);
        QCOMPARE(md->yDpiList.at(1).toInt(), 500);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().dpiY[1]), code0(500), 5000);
        QCOMPARE(int(rig.state().dpiX[1]), code0(1600));

        // Off again: the command repeats X, and the file says so.
        page->xyBtn->click();
        QVERIFY(!card(0)->m_y->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().dpiY[1]), code0(1600), 5000);
        QCOMPARE(md->yDpiList.at(1).toInt(), 1600);
    }

    // The case of the report: X of level 2 set with split off, then split on.
    void splitStartsFromTheXSent()
    {
        card(1)->setYDpi(800);
        md->setDpi(1, 1, 800);
        rig.typeInto(card(1)->m_x, QStringLiteral("1200"));
        QTest::keyClick(card(1)->m_x, Qt::Key_Return);
        QCOMPARE(md->yDpiList.at(1).toInt(), 1200);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().dpiY[1]), code0(1200), 5000);
        page->xyBtn->click();
        QCOMPARE(card(1)->yDpi(), 1200);
        rig.settle();
        QCOMPARE(int(rig.state().dpiY[1]), code0(1200));
        QCOMPARE(md->yDpiList.at(1).toInt(), 1200);
    }

    void sliderDragTruncatesAndSendsOnceOnRelease()
    {
        QTest::mouseClick(card(1), Qt::LeftButton);
        rig.settle();
        QSignalSpy sent(Controller::instance(), &Controller::send);
        const QPoint handle(page->xSlider->width() / 2, page->xSlider->height() / 2);
        QTest::mousePress(page->xSlider, Qt::LeftButton, {}, handle);
        page->xSlider->setValue(1234);
        QCOMPARE(card(1)->xDpi(), 1200);
        page->xSlider->setValue(5049);
        QCOMPARE(card(1)->xDpi(), 5000);
        QCOMPARE(sent.count(), 0);
        QVERIFY(md->xDpiList.at(1).toInt() != 5000);

        QTest::mouseRelease(page->xSlider, Qt::LeftButton, {}, handle);
        QCOMPARE(sent.count(), 6);
        QCOMPARE(md->xDpiList.at(1).toInt(), 5000);
        QVERIFY(page->usrDPIBtn->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().dpiX[1]), code0(5000), 5000);

        // A change that is not a drag (the program moving the slider) edits no card.
        page->xSlider->setValue(3000);
        QCOMPARE(card(1)->xDpi(), 5000);
    }

    void sliderKeysEditTheActiveLevel()
    {
        QTest::mouseClick(card(2), Qt::LeftButton);
        card(2)->setXDpi(1000);
        page->dpiChangedProc(2);
        rig.settle();
        QCOMPARE(page->xSlider->value(), 1000);
        QSignalSpy sent(Controller::instance(), &Controller::send);
        page->xSlider->setFocus();
        QTest::keyPress(page->xSlider, Qt::Key_Right);
        QTest::keyPress(page->xSlider, Qt::Key_Right, Qt::NoModifier);
        QCOMPARE(card(2)->xDpi(), 1200);
        QCOMPARE(sent.count(), 0);
        QTest::keyRelease(page->xSlider, Qt::Key_Right);
        QCOMPARE(sent.count(), 6);
        QCOMPARE(md->xDpiList.at(2).toInt(), 1200);
        QTest::keyClick(page->xSlider, Qt::Key_PageDown);
        QCOMPARE(card(2)->xDpi(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().dpiX[2]), code0(200), 5000);

        // The wheel moves nothing.
        QWheelEvent wheel(QPointF(10, 10), page->xSlider->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(page->xSlider, &wheel);
        QCOMPARE(page->xSlider->value(), 200);
    }

    void enterClampsToTheFamilyLimits()
    {
        page->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page->window()));
        rig.typeInto(card(0)->m_x, QStringLiteral("50"));
        QTest::keyClick(card(0)->m_x, Qt::Key_Return);
        QCOMPARE(card(0)->m_x->text(), QStringLiteral("200"));
        // The focus stays where the user typed, the value ready to be typed over, and what the
        // mouse got is said there.
        QVERIFY(card(0)->m_x->hasFocus());
        QCOMPARE(card(0)->m_x->selectedText(), QStringLiteral("200"));
        QTRY_COMPARE(Announcer::of(page)->text(), QStringLiteral("Level 1: 200 DPI"));
        QCOMPARE(md->xDpiList.at(0).toInt(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().dpiX[0]), code0(200), 5000);

        rig.typeInto(card(1)->m_x, QStringLiteral("30000"));
        QTest::keyClick(card(1)->m_x, Qt::Key_Enter);
        QCOMPARE(card(1)->xDpi(), 12000);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().dpiX[1]), code0(12000), 5000);
        QVERIFY(rig.state().xHighMask & 2);
        // Enter in a field of another card commits that value but keeps the active level.
        QCOMPARE(page->currentLevel, 0);
        QCOMPARE(page->xSlider->value(), card(0)->xDpi());
    }

    void focusOutCommitsClampedValues()
    {
        // Leaving the field without Enter commits too, clamped the same way.
        rig.typeInto(card(3)->m_x, QStringLiteral("50"));
        QTest::keyClick(card(3)->m_x, Qt::Key_Tab);
        QCOMPARE(card(3)->m_x->text(), QStringLiteral("200"));
        QCOMPARE(md->xDpiList.at(3).toInt(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().dpiX[3]), code0(200), 5000);

        // An emptied field does not reach the mouse as 0 DPI.
        rig.typeInto(card(4)->m_x, QString());
        card(4)->m_x->setModified(true);
        page->xyBtn->setFocus();
        QCOMPARE(card(4)->xDpi(), 200);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().dpiX[4]), code0(200), 5000);

        // Merely passing through a field (Tab) sends nothing and keeps the factory set.
        page->defaultDPIBtn->click();
        rig.settle();
        QSignalSpy sent(Controller::instance(), &Controller::send);
        card(1)->m_x->setFocus(Qt::TabFocusReason);
        QTest::keyClick(card(1)->m_x, Qt::Key_Tab);
        QTest::keyClick(card(1)->m_y, Qt::Key_Tab);
        QCOMPARE(sent.count(), 0);
        QCOMPARE(int(md->isDefaultDPI), 1);
    }

    // The value on the card is the value the mouse holds, however it was entered.
    void shownValueIsTheValueSent()
    {
        const auto sentX = [this](int level) {
            const vmouse_state st = rig.state();
            const bool high = st.xHighMask & (1 << level);
            return (st.dpiX[level] + 1) * (high ? 100 : 50);
        };

        // Digits only, whatever the locale's group separator.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        DpiBtn lone;
        QLocale::setDefault(before);
        lone.m_x->setFocus();
        QTest::keyClicks(lone.m_x, QStringLiteral("1,600"));
        QCOMPARE(lone.m_x->text(), QStringLiteral("1600"));
        rig.typeInto(card(1)->m_x, QStringLiteral("1,600"));
        QTest::keyClick(card(1)->m_x, Qt::Key_Return);
        QCOMPARE(card(1)->xDpi(), 1600);
        QTRY_COMPARE_WITH_TIMEOUT(sentX(1), 1600, 5000);

        // Typed values land on what the encoder sends, below and above the threshold.
        rig.typeInto(card(2)->m_x, QStringLiteral("1234"));
        QTest::keyClick(card(2)->m_x, Qt::Key_Return);
        QCOMPARE(card(2)->xDpi(), 1200);
        QTRY_COMPARE_WITH_TIMEOUT(sentX(2), 1200, 5000);
        rig.typeInto(card(3)->m_x, QStringLiteral("7250"));
        QTest::keyClick(card(3)->m_x, Qt::Key_Tab);
        QTRY_COMPARE_WITH_TIMEOUT(sentX(3), card(3)->xDpi(), 5000);
        QCOMPARE(md->xDpiList.at(3).toInt(), card(3)->xDpi());

        // A double click on the groove ends in the committed value, on the slider too.
        QTest::mouseClick(card(1), Qt::LeftButton);
        rig.settle();
        const QPoint groove(page->xSlider->width() - 4, page->xSlider->height() / 2);
        // As the platform delivers it: press, release, press, double click, release.
        QTest::mousePress(page->xSlider, Qt::LeftButton, {}, groove);
        QTest::mouseRelease(page->xSlider, Qt::LeftButton, {}, groove, 10);
        QTest::mousePress(page->xSlider, Qt::LeftButton, {}, groove, 10);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(groove), page->xSlider->mapToGlobal(QPointF(groove)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page->xSlider, &dbl);
        QTest::mouseRelease(page->xSlider, Qt::LeftButton, {}, groove, 10);
        QCOMPARE(card(1)->xDpi(), page->xSlider->value());
        QCOMPARE(md->xDpiList.at(1).toInt(), card(1)->xDpi());
        QTRY_COMPARE_WITH_TIMEOUT(sentX(1), card(1)->xDpi(), 5000);
        QVERIFY(card(1)->xDpi() != 1600);
        QCOMPARE(rig.state().errors, 0u);
    }

    // Fewer levels than the active one: the highest level in use becomes the active one,
    // highlighted, edited by the sliders, and the mouse is told.
    void activeLevelStaysInUse()
    {
        QTest::mouseClick(card(4), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().currentLevel), 4, 5000);
        page->dpiComboBox->setCurrentIndex(1);
        QCOMPARE(page->currentLevel, 1);
        QVERIFY(card(1)->selected && !card(4)->selected);
        QCOMPARE(int(md->currentDpiLevel), 1);
        QCOMPARE(page->xSlider->value(), card(1)->xDpi());
        QTRY_VERIFY_WITH_TIMEOUT(rig.state().currentLevel == 1 && rig.state().enableMask == 3, 5000);
    }

    void shortListsAreExtendedBeforeStoring()
    {
        md->xDpiList = QVariantList{400, 800};
        md->yDpiList.clear();
        rig.typeInto(card(5)->m_x, QStringLiteral("900"));
        QTest::keyClick(card(5)->m_x, Qt::Key_Return);
        QCOMPARE(md->xDpiList.size(), 8);
        QCOMPARE(md->yDpiList.size(), 8);
        QCOMPARE(md->xDpiList.at(5).toInt(), 900);
        QCOMPARE(md->xDpiList.at(0).toInt(), card(0)->xDpi());
    }

    void mouseDpiButtonHighlightsWithoutSending()
    {
        for (int i = 0; i < 5; ++i)
            card(i)->setXDpi(1000 + 100 * i);
        QSignalSpy sent(Controller::instance(), &Controller::send);
        QSignalSpy pressed(md, &MouseData::dpiKeyPressed);
        vmouse_press_dpi_button(rig.mouse, 3);
        Ic553::instance()->readCurrentDpiLevel();
        QVERIFY(pressed.wait(5000));
        QCOMPARE(pressed.at(0).at(0).toInt(), 3);
        QVERIFY(card(3)->selected);
        QVERIFY(!card(0)->selected);
        QCOMPARE(page->currentLevel, 3);
        QCOMPARE(int(md->currentDpiLevel), 3);
        QCOMPARE(page->xSlider->value(), 1300);
        QCOMPARE(sent.count(), 0);

        // A level the page does not have clears the highlight and keeps the level.
        emit md->dpiKeyPressed(9);
        QCOMPARE(page->currentLevel, 3);
        for (DpiBtn *c : page->cards)
            QVERIFY(!c->selected);
        QCOMPARE(sent.count(), 0);
    }

    void reportRateBoxesAndCodes()
    {
        const QList<QPair<QCheckBox *, int>> boxes{{page->rate1000Btn, 1}, {page->rate500Btn, 2},
                                                   {page->rate250Btn, 4}, {page->rate125Btn, 8}};
        for (const auto &b : boxes) {
            b.first->click();
            QCOMPARE(int(md->reportRate), b.second);
            QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().reportRate), b.second, 5000);
        }
        QVERIFY(page->rate125Btn->isChecked());
        QVERIFY(!page->rate1000Btn->isChecked());
    }

    void keyboardAndScreenReader()
    {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(card(2));
        QVERIFY(face);
        QCOMPARE(face->role(), QAccessible::RadioButton);
        QCOMPARE(face->text(QAccessible::Name), md->languageText(65) + QStringLiteral(" 3"));
        QVERIFY(!face->state().checked);

        card(2)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(card(2), Qt::Key_Space);
        QCOMPARE(page->currentLevel, 2);
        QVERIFY(face->state().checked);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().currentLevel), 2, 5000);

        // The press action of a screen reader selects like a click.
        QAccessibleInterface *other = QAccessible::queryAccessibleInterface(card(4));
        QVERIFY(other->actionInterface());
        other->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(page->currentLevel, 4);

        // Tab walks from a card into its field.
        card(1)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(card(1), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), card(1)->m_x);

        // The slider says which level it edits, and a value set by the screen reader is that
        // level's new DPI on the mouse, as after a drag.
        QAccessibleInterface *slider = QAccessible::queryAccessibleInterface(page->xSlider);
        QCOMPARE(slider->role(), QAccessible::Slider);
        QVERIFY(slider->text(QAccessible::Name).startsWith(md->languageText(65) + QStringLiteral(" 5")));
        QVERIFY(slider->valueInterface());
        slider->valueInterface()->setCurrentValue(1600);
        QCOMPARE(card(4)->xDpi(), 1600);
        QCOMPARE(md->xDpiList.value(4).toInt(), 1600);
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.state().dpiX[4]), 1600 / 50 - 1, 5000);
    }

    void systemButtonSaysWhenNothingCanOpen()
    {
        QTemporaryDir empty;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", empty.path().toLocal8Bit());
        page->systemBtn->click();
        qputenv("PATH", path);
        auto *box = page->findChild<QMessageBox *>(QStringLiteral("noMouseSettingsMessage"));
        QVERIFY(box);
        QTRY_VERIFY(box->isVisible());
        QCOMPARE(box->windowTitle(), md->languageText(69));
        box->close();
    }

    void screenshot()
    {
        md->isXY = 0;
        for (int i = 0; i < 6; ++i)
            card(i)->setXDpi(dd->xDpiList.at(i).toInt());
        page->dpiChangedProc(0);
        page->xyBtn->click();
        QTest::mouseClick(card(1), Qt::LeftButton);
        page->resize(1108, 696);
        // Drawn over the main window's dark background, as the page is seen there.
        QImage shot(page->size(), QImage::Format_RGB32);
        shot.fill(QColor(43, 43, 43));
        page->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
        QCOMPARE(shot.size(), QSize(1108, 696));
        // Saved only on request (docs/screenshots is refreshed by hand).
        const QString out = qEnvironmentVariable("MOUSECFG_SCREENSHOT_DIR");
        if (!out.isEmpty())
            QVERIFY(shot.save(out + QStringLiteral("/dpi.png")));
    }
};

QTEST_MAIN(TestDpi)
#include "tst_dpi.moc"
