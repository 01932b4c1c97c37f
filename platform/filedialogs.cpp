#include "platform/filedialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace {
QString &lastFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString FileDialogs::startFolder()
{
    const QStringList candidates{lastFolder(), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                 QDir::homePath()};
    for (const QString &c : candidates) {
        if (!c.isEmpty() && QFileInfo(c).isDir())
            return c;
    }
    return QDir::rootPath();
}

QString FileDialogs::withSuffix(const QString &name, const QString &suffix)
{
    const QString dotted = QLatin1Char('.') + suffix;
    if (name.isEmpty() || name.endsWith(dotted, Qt::CaseInsensitive))
        return name;
    return name + dotted;
}

void FileDialogs::remember(const QString &file)
{
    if (!file.isEmpty())
        lastFolder() = QFileInfo(file).absolutePath();
}

void FileDialogs::configure(QFileDialog *dialog, bool save, const QString &suffix, const QString &proposal)
{
    dialog->setDirectory(startFolder());
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) {
        dialog->setDefaultSuffix(suffix);
        QString name = proposal;
        name.replace(QLatin1Char('/'), QLatin1Char('-'));
        dialog->selectFile(withSuffix(name.trimmed(), suffix));
    }
}

QString FileDialogs::askOpen(QWidget *parent, const QString &title, const QString &filter)
{
    QFileDialog dialog(parent, title, QString(), filter);
    configure(&dialog, false, QString(), QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString file = dialog.selectedFiles().constFirst();
    remember(file);
    return file;
}

QString FileDialogs::askSave(QWidget *parent, const QString &title, const QString &filter, const QString &suffix,
                             const QString &proposal)
{
    QFileDialog dialog(parent, title, QString(), filter);
    configure(&dialog, true, suffix, proposal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    const QString file = withSuffix(chosen, suffix);
    // A desktop's own dialog may ignore the default suffix, and asked about `chosen` only.
    if (file != chosen && QFileInfo::exists(file)
        && QMessageBox::question(parent, title, QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                                                    .arg(QDir::toNativeSeparators(file)))
               != QMessageBox::Yes)
        return {};
    remember(file);
    return file;
}
