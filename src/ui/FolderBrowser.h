#pragma once

#include <QString>
#include <functional>

class QWidget;

// Chooses a folder with Qt's folder dialog (file-system folders only).
class CFolderBrowser {
public:
    QString InitialFolder;
    QString RootFolder;
    QString Title; // "Open" when empty
    QString StatusText; // the prompt shown above the folder list
    bool ShowStatusText = false;

    // Shows the dialog; true and Path() when a folder was chosen.
    bool Show(QWidget* parent);
    const QString& Path() const { return m_path; }

    // The initial folder as the dialog gets it: a trailing slash removed
    // unless the folder is the root "/".
    static QString TrimmedFolder(const QString& folder);
    // Where the dialog opens: InitialFolder, else RootFolder, else the
    // folder chosen last in this program, else the home folder.
    QString StartFolder() const;

    // Tests answer the dialog here instead of a person: the function gets
    // the browser and returns the chosen folder, or an empty text for Cancel.
    using Chooser = std::function<QString(const CFolderBrowser&)>;
    static void SetChooser(Chooser chooser);
    // The next dialog without a folder of its own opens at home again.
    static void ForgetLastFolder();

private:
    // The chosen folder, or an empty text for Cancel.
    QString RunDialog(QWidget* parent) const;

    QString m_path;
};
