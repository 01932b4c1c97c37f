#include "profiles/ui/profilebar.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include "model/mousedata.h"
#include "profiles/profilemanager.h"
#include "resources/lookcombobox.h"
#include "resources/stylesheets.h"

namespace {
QString languageText(int n)
{
    return MouseData::instance()->languageText(n);
}
const QString fileFilter = QStringLiteral("(*.mcp)");
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

    row->addWidget(caption);
    row->addWidget(profileComboBox);
    row->addWidget(profileMenuBtn);

    ProfileManager *profiles = ProfileManager::instance();
    connect(profiles, &ProfileManager::listChanged, this, &ProfileBar::fill);
    connect(profiles, &ProfileManager::activeChanged, this, &ProfileBar::fill);
    connect(profileComboBox, &QComboBox::currentIndexChanged, this, &ProfileBar::chosen);
    fill();
}

void ProfileBar::fill()
{
    const ProfileManager *profiles = ProfileManager::instance();
    m_filling = true;
    profileComboBox->clear();
    profileComboBox->addItems(profiles->names());
    profileComboBox->setCurrentIndex(profiles->index().positionOfFile(profiles->index().active));
    m_filling = false;
}

void ProfileBar::chosen(int index)
{
    if (m_filling || index < 0)
        return;
    QString error;
    if (!ProfileManager::instance()->activate(profileComboBox->itemText(index), &error)) {
        tell(error);
        fill();
    }
}

void ProfileBar::createProfile(bool fromFactory)
{
    const QString name = askName(languageText(fromFactory ? 193 : 192), languageText(191));
    if (name.isEmpty())
        return;
    QString error;
    const QString given = ProfileManager::instance()->create(name, fromFactory, &error);
    if (given.isEmpty() || !ProfileManager::instance()->activate(given, &error))
        tell(error);
}

void ProfileBar::renameProfile()
{
    const QString from = ProfileManager::instance()->activeName();
    const QString to = askName(languageText(194), from);
    QString error;
    if (!to.isEmpty() && !ProfileManager::instance()->rename(from, to, &error))
        tell(ProfileManager::instance()->index().position(to) >= 0 ? languageText(209) : error);
}

void ProfileBar::duplicateProfile()
{
    QString error;
    if (ProfileManager::instance()->duplicate(ProfileManager::instance()->activeName(), &error).isEmpty())
        tell(error);
}

void ProfileBar::deleteProfile()
{
    QString error;
    if (!ProfileManager::instance()->remove(ProfileManager::instance()->activeName(), &error))
        tell(ProfileManager::instance()->names().size() == 1 ? languageText(210) : error);
}

void ProfileBar::exportProfile()
{
    const QString file = askSaveFile();
    QString error;
    if (!file.isEmpty() && !ProfileManager::instance()->exportProfile(ProfileManager::instance()->activeName(), file, &error))
        tell(languageText(211) + QLatin1Char('\n') + error);
}

void ProfileBar::importProfile()
{
    const QString file = askOpenFile();
    QString error;
    if (!file.isEmpty() && ProfileManager::instance()->importProfile(file, &error).isEmpty())
        tell(languageText(212) + QLatin1Char('\n') + error);
}

QString ProfileBar::askName(const QString &title, const QString &proposal)
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, title, languageText(208), QLineEdit::Normal, proposal, &ok);
    return ok ? name.trimmed() : QString();
}

QString ProfileBar::askSaveFile()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QFileDialog::getSaveFileName(this, languageText(197), dir, languageText(213) + QLatin1Char(' ') + fileFilter);
}

QString ProfileBar::askOpenFile()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QFileDialog::getOpenFileName(this, languageText(198), dir, languageText(213) + QLatin1Char(' ') + fileFilter);
}

void ProfileBar::tell(const QString &message)
{
    auto *box = new QMessageBox(QMessageBox::Information, languageText(191), message, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("profileMessage"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
