#include "profiles/ui/profilebar.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

#include "model/mousedata.h"
#include "pages/accessibility/accessiblefactory.h"
#include "pages/accessibility/announcer.h"
#include "platform/filedialogs.h"
#include "profiles/profilemanager.h"
#include "resources/lookcombobox.h"
#include "resources/stylesheets.h"

namespace {
QString languageText(int n)
{
    return MouseData::instance()->languageText(n);
}
const QString fileFilter = QStringLiteral("(*.mcp)");
const QString fileSuffix = QStringLiteral("mcp");
} // namespace

ProfileBar::ProfileBar(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("profileBar"));
    StyleSheets::setLook(this, StyleSheets::ProfileBarLook);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(24, 0, 24, 0);
    row->setSpacing(8);

    caption = new QLabel(languageText(191), this);
    caption->setObjectName(QStringLiteral("profileCaption"));
    StyleSheets::setLook(caption, StyleSheets::PlainLabelLook);
    profileComboBox = new LookComboBox(this);
    profileComboBox->setObjectName(QStringLiteral("profileComboBox"));
    profileComboBox->setMinimumWidth(200);
    profileComboBox->setFixedHeight(24);
    profileComboBox->setAccessibleName(languageText(191));
    StyleSheets::setComboLook(profileComboBox, StyleSheets::Combo24Look);
    caption->setBuddy(profileComboBox);

    profileMenuBtn = new QPushButton(QStringLiteral("…"), this);
    profileMenuBtn->setObjectName(QStringLiteral("profileMenuBtn"));
    profileMenuBtn->setFixedSize(32, 24);
    profileMenuBtn->setAccessibleName(languageText(200));
    StyleSheets::setLook(profileMenuBtn, StyleSheets::MenuButtonLook);
    profileMenu = new QMenu(this);
    profileMenu->setObjectName(QStringLiteral("profileMenu"));
    StyleSheets::setLook(profileMenu, StyleSheets::ContextMenuLook);
    const auto add = [this](const char *name, int t, auto slot) {
        QAction *a = profileMenu->addAction(languageText(t));
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("newProfileAction", 192, [this] { createProfile(false); });
    add("factoryProfileAction", 193, [this] { createProfile(true); });
    add("renameProfileAction", 194, [this] { renameProfile(); });
    add("duplicateProfileAction", 195, [this] { duplicateProfile(); });
    add("deleteProfileAction", 196, [this] { deleteProfile(); });
    profileMenu->addSeparator();
    add("exportProfileAction", 197, [this] { exportProfile(); });
    add("importProfileAction", 198, [this] { importProfile(); });
    profileMenu->addSeparator();
    add("rulesAction", 199, [this] { emit rulesRequested(); });
    profileMenuBtn->setMenu(profileMenu);
    AccessibleFactory::menuStartsOnFirstEntry(profileMenuBtn);

    row->addWidget(caption);
    row->addWidget(profileComboBox);
    row->addWidget(profileMenuBtn);

    ProfileManager *profiles = ProfileManager::instance();
    connect(profiles, &ProfileManager::listChanged, this, &ProfileBar::fill);
    connect(profiles, &ProfileManager::activeChanged, this, &ProfileBar::fill);
    connect(profileComboBox, &QComboBox::currentIndexChanged, this, &ProfileBar::chosen);
    fill();
    if (!profiles->notice().isEmpty())
        m_notice = languageText(221) + QLatin1Char('\n') + profiles->notice();
}

void ProfileBar::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    // A window started hidden shows it when it is opened; a message in the tray could pass unseen.
    if (!m_notice.isEmpty())
        tell(std::exchange(m_notice, QString()));
}

void ProfileBar::fill()
{
    const ProfileManager *profiles = ProfileManager::instance();
    m_filling = true;
    profileComboBox->clear();
    for (const QString &name : profiles->names()) {
        profileComboBox->addItem(elided(name, profileComboBox->font()), name);
        profileComboBox->setItemData(profileComboBox->count() - 1, name, Qt::ToolTipRole);
    }
    profileComboBox->setCurrentIndex(profiles->index().positionOfFile(profiles->index().active));
    m_filling = false;
}

void ProfileBar::chosen(int index)
{
    if (m_filling || index < 0)
        return;
    QString error;
    const QString name = profileComboBox->itemData(index).toString();
    if (!ProfileManager::instance()->activate(name, &error)) {
        tell(error);
        fill();
        return;
    }
    announceActive(name);
}

void ProfileBar::announceActive(const QString &name, const QString &done)
{
    // Where no mouse is attached, nothing was applied to one.
    const bool attached = MouseData::instance()->deviceType != 255;
    const QString active = languageText(attached ? 234 : 252).arg(ProfileIndex::shown(name));
    announce(done.isEmpty() ? active : done + QLatin1Char(' ') + active, true);
}

void ProfileBar::announce(const QString &text, bool afterRefresh)
{
    if (afterRefresh)
        Announcer::sayAfterRefresh(this, text);
    else
        Announcer::say(this, text);
}

QString ProfileBar::elided(const QString &name, const QFont &font)
{
    return QFontMetrics(font).elidedText(name, Qt::ElideRight, NameWidth);
}

QString ProfileBar::nameRefusal(const QString &asked, const QString &error) const
{
    const QString clean = ProfileIndex::cleanName(asked);
    if (clean.isEmpty())
        return languageText(216);
    if (clean.size() > ProfileIndex::MaxNameLength)
        return languageText(217).arg(ProfileIndex::MaxNameLength);
    if (ProfileManager::instance()->index().position(clean) >= 0)
        return languageText(209);
    return error;
}

void ProfileBar::createProfile(bool fromFactory)
{
    QString name;
    if (!askName(languageText(fromFactory ? 193 : 192), languageText(191), &name))
        return;
    QString error;
    const QString given = ProfileManager::instance()->create(name, fromFactory, &error);
    if (given.isEmpty())
        tell(nameRefusal(name, error));
    else if (!ProfileManager::instance()->activate(given, &error))
        tell(error);
    else
        announceActive(given, languageText(250).arg(ProfileIndex::shown(given)));
}

void ProfileBar::renameProfile()
{
    const QString from = ProfileManager::instance()->activeName();
    QString to;
    if (!askName(languageText(194), from, &to))
        return;
    QString error;
    if (!ProfileManager::instance()->rename(from, to, &error))
        tell(nameRefusal(to, error));
    else
        announce(languageText(251).arg(ProfileIndex::shown(ProfileManager::instance()->activeName())));
}

void ProfileBar::duplicateProfile()
{
    QString error;
    const QString copy = ProfileManager::instance()->duplicate(ProfileManager::instance()->activeName(), &error);
    if (copy.isEmpty())
        tell(error);
    else
        announce(languageText(250).arg(ProfileIndex::shown(copy)));
}

void ProfileBar::deleteProfile()
{
    ProfileManager *profiles = ProfileManager::instance();
    const QString name = profiles->activeName();
    if (profiles->names().size() == 1) {
        tell(languageText(210));
        return;
    }
    // The rules go with the profile: say which, before anything is gone.
    const ProfileIndex &index = profiles->index();
    QStringList programs;
    for (const ProfileIndex::Rule &r : index.rules) {
        if (r.file == index.active)
            programs << r.program;
    }
    QString question = languageText(218).arg(ProfileIndex::shown(name));
    if (!programs.isEmpty())
        question += QLatin1Char('\n') + languageText(219).arg(programs.join(QStringLiteral(", ")));
    if (index.defaultFile == index.active)
        question += QLatin1Char('\n') + languageText(220);
    if (!confirm(question))
        return;
    QString error;
    if (!profiles->remove(name, &error))
        tell(error);
    else
        announceActive(profiles->activeName(), languageText(253).arg(ProfileIndex::shown(name)));
}

void ProfileBar::exportProfile()
{
    const QString name = ProfileManager::instance()->activeName();
    // The import dialog lists *.mcp only: the name comes back with the suffix.
    const QString file = FileDialogs::withSuffix(askSaveFile(name), fileSuffix);
    QString error;
    // The dialog asked before a file is replaced.
    if (!file.isEmpty() && !ProfileManager::instance()->exportProfile(name, file, true, &error))
        tell(languageText(211) + QLatin1Char('\n') + error);
}

void ProfileBar::importProfile()
{
    const QString file = askOpenFile();
    QString error;
    if (file.isEmpty())
        return;
    const QString given = ProfileManager::instance()->importProfile(file, &error);
    if (given.isEmpty())
        tell(languageText(212) + QLatin1Char('\n') + error);
    else
        announce(languageText(250).arg(ProfileIndex::shown(given)));
}

bool ProfileBar::askName(const QString &title, const QString &proposal, QString *name)
{
    QInputDialog dialog(this);
    dialog.setWindowTitle(title);
    dialog.setLabelText(languageText(208));
    dialog.setTextValue(proposal);
    // A pasted text longer than any name is cut at the limit as it is typed.
    if (auto *edit = dialog.findChild<QLineEdit *>())
        edit->setMaxLength(ProfileIndex::MaxNameLength);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *name = dialog.textValue();
    return true;
}

QString ProfileBar::askSaveFile(const QString &proposal)
{
    return FileDialogs::askSave(this, languageText(197), languageText(213) + QLatin1Char(' ') + fileFilter, fileSuffix,
                                proposal);
}

QString ProfileBar::askOpenFile()
{
    return FileDialogs::askOpen(this, languageText(198), languageText(213) + QLatin1Char(' ') + fileFilter);
}

bool ProfileBar::confirm(const QString &question)
{
    return QMessageBox::question(this, languageText(196), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

void ProfileBar::tell(const QString &message)
{
    auto *box = new QMessageBox(QMessageBox::Information, languageText(191), message, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("profileMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
