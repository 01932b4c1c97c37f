#pragma once

#include <QString>

class QFileDialog;
class QWidget;

// The open and save dialogs of profile and macro exchange files. They all start in one
// folder that exists (a folder that does not would be taken as the file's name), and a save
// dialog's name always ends in the file kind's suffix (the open dialogs list only those).
class FileDialogs
{
public:
    // The folder last used in this run while it exists, else the desktop folder, the
    // documents folder, the home folder.
    static QString startFolder();
    // `name` with "." + suffix added unless it ends in it already (in any case).
    static QString withSuffix(const QString &name, const QString &suffix);

    // An empty text when cancelled.
    static QString askOpen(QWidget *parent, const QString &title, const QString &filter);
    // `proposal` pre-fills the name. The answer ends in `suffix`; replacing an existing file
    // has been confirmed by the user.
    static QString askSave(QWidget *parent, const QString &title, const QString &filter, const QString &suffix,
                           const QString &proposal = QString());

    // The dialogs askOpen and askSave show, for tests to look at without showing them.
    static void configure(QFileDialog *dialog, bool save, const QString &suffix, const QString &proposal);

private:
    static void remember(const QString &file);
};
