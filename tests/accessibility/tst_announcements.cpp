#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include "common/testroot.h"
#include "model/mousedata.h"
#include "pages/accessibility/accessiblefactory.h"
#include "pages/accessibility/announcer.h"
#include "resources/lookcombobox.h"

namespace {

// How often a widget was shown: each showing is what a screen reader speaks.
class ShowCounter : public QObject
{
public:
    int shows = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

} // namespace

// What a screen reader is given to speak: confirmations as notifications, combo box values,
// the checked button of a group as its stop, the program's name.
class TestAnnouncements : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir dir;

    static void activate(QWidget *w)
    {
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(TestRoot::install(dir.path()));
        MouseData::instance()->loadLanguage();
        AccessibleFactory::install();
    }

    void confirmationsAreNotificationsSpokenOnce()
    {
        QWidget window;
        auto *button = new QPushButton(QStringLiteral("Save"), &window);
        activate(&window);
        Announcer *a = Announcer::of(button);
        QCOMPARE(Announcer::of(&window), a); // one per window
        ShowCounter counter;
        a->installEventFilter(&counter);

        // What one action says comes out as one line, after the action.
        Announcer::say(button, QStringLiteral("Button 3: Volume Up."));
        Announcer::say(button, QStringLiteral("Profile \"Work\" applied to the mouse."));
        QVERIFY(Announcer::pending(button));
        QVERIFY(!a->isVisible());
        QTRY_VERIFY(a->isVisible());
        QCOMPARE(a->text(), QStringLiteral("Button 3: Volume Up. Profile \"Work\" applied to the mouse."));
        QCOMPARE(counter.shows, 1);
        QVERIFY(!Announcer::pending(button));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(a);
        QCOMPARE(iface->role(), QAccessible::Notification);
        QCOMPARE(iface->text(QAccessible::Name), a->text());
        // Unseen, and in no one's way.
        QVERIFY(!window.rect().intersects(a->geometry()));
        QCOMPARE(a->focusPolicy(), Qt::NoFocus);

        // The same words again are news again: shown anew.
        Announcer::say(button, a->text());
        QTRY_COMPARE(counter.shows, 2);
        // Nothing to say, or no window to say it in: nothing happens.
        Announcer::say(button, QString());
        QWidget hidden;
        Announcer::say(&hidden, QStringLiteral("x"));
        QVERIFY(!Announcer::pending(&hidden));
        QTest::qWait(20);
        QCOMPARE(counter.shows, 2);
    }

    // Said while a dialog has the keyboard, it waits: the screen reader reads the window and its
    // focus as the window comes back, over anything said before.
    void saidWhenTheWindowIsBack()
    {
        QWidget window;
        activate(&window);
        QWidget dialog;
        activate(&dialog);
        Announcer::say(&window, QStringLiteral("Profile \"Work\" created."));
        QTest::qWait(50);
        QVERIFY(!Announcer::of(&window)->isVisible());
        QVERIFY(Announcer::pending(&window));
        dialog.hide();
        activate(&window);
        QTRY_VERIFY(Announcer::of(&window)->isVisible());
        QCOMPARE(Announcer::of(&window)->text(), QStringLiteral("Profile \"Work\" created."));
    }

    void comboBoxesSayTheirValue()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *box = new LookComboBox(&window);
        box->addItems({QStringLiteral("Standard"), QStringLiteral("Work"), QStringLiteral("Game")});
        box->setAccessibleName(QStringLiteral("Profile"));
        layout->addWidget(box);
        activate(&window);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(box);
        QCOMPARE(iface->role(), QAccessible::ComboBox);
        // Named by its label, valued by its choice: Orca reads the value from the text.
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Profile"));
        QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("Standard"));
        QAccessibleTextInterface *text = iface->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), 8);
        QCOMPARE(text->text(0, -1), QStringLiteral("Standard"));
        QCOMPARE(text->text(4, 8), QStringLiteral("dard"));
        QCOMPARE(text->text(9, 12), QString());
        // The popup list is still there to browse.
        QCOMPARE(iface->childCount(), 1);
        QCOMPARE(iface->child(0)->object(), box->view());
        QCOMPARE(iface->indexOfChild(iface->child(0)), 0);
        QVERIFY(iface->state().collapsed);

        // An arrow key changes the value in place: it is said.
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("Work"));
        QTRY_COMPARE(Announcer::of(box)->text(), QStringLiteral("Work"));
        // A change that confirms itself is said once, in its own words.
        connect(box, &QComboBox::currentIndexChanged, box, [box](int) {
            Announcer::say(box, QStringLiteral("Profile \"Game\" applied to the mouse."));
        });
        QTest::keyClick(box, Qt::Key_Down);
        QTRY_COMPARE(Announcer::of(box)->text(), QStringLiteral("Profile \"Game\" applied to the mouse."));
        // A change made by the program, not by a key, is not news.
        disconnect(box, &QComboBox::currentIndexChanged, box, nullptr);
        Announcer::of(box)->hide();
        box->setCurrentIndex(0);
        QTest::qWait(20);
        QVERIFY(!Announcer::of(box)->isVisible());
    }

    void tabEntersAGroupOnItsCheckedButton()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        QList<QAbstractButton *> group;
        for (const char *t : {"1000", "500", "250", "125"}) {
            auto *b = new QCheckBox(QLatin1String(t), &window);
            b->setAutoExclusive(true);
            layout->addWidget(b);
            group << b;
        }
        group[3]->setChecked(true);
        AccessibleFactory::tabToChecked(group);
        const auto stops = [&group]() {
            QList<int> out;
            for (int i = 0; i < group.size(); ++i) {
                if (group[i]->focusPolicy() & Qt::TabFocus)
                    out << i;
            }
            return out;
        };
        QCOMPARE(stops(), QList<int>{3});
        // Clicks still reach every button.
        QVERIFY(group[0]->focusPolicy() & Qt::ClickFocus);
        // Checked by the program (a profile loaded): the stop follows.
        group[1]->setChecked(true);
        QCOMPARE(stops(), QList<int>{1});
        activate(&window);
        // Entered by Tab on the checked one, an arrow key chooses the next, as in a radio group.
        group[0]->setFocus(Qt::OtherFocusReason);
        group[0]->clearFocus();
        group[1]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(group[1], Qt::Key_Down);
        QVERIFY(group[2]->hasFocus());
        QVERIFY(group[2]->isChecked());
        // While the user is in the group, the stop stays where the focus is.
        group[3]->setChecked(true);
        QCOMPARE(stops(), QList<int>{2});
    }

    void theApplicationIsNamedAfterTheProgram()
    {
        QAccessibleInterface *app = QAccessible::queryAccessibleInterface(qApp);
        QVERIFY(app);
        QCOMPARE(app->role(), QAccessible::Application);
        QCOMPARE(app->text(QAccessible::Name), QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    }
};

QTEST_MAIN(TestAnnouncements)
#include "tst_announcements.moc"
