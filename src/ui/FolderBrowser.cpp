#include "ui/FolderBrowser.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPointer>

namespace {

CFolderBrowser::Chooser& TestChooser()
{
    static CFolderBrowser::Chooser chooser;
    return chooser;
}

// Where the next dialog without a folder of its own opens: the folder
// chosen last, else the home folder (never the program's working folder).
QString& LastFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString CFolderBrowser::StartFolder() const
{
    const QString initial = TrimmedFolder(InitialFolder);
    if (!initial.isEmpty())
        return initial;
    if (!RootFolder.isEmpty())
        return RootFolder;
    return LastFolder().isEmpty() ? QDir::homePath() : LastFolder();
}

void CFolderBrowser::ForgetLastFolder()
{
    LastFolder().clear();
}

void CFolderBrowser::SetChooser(Chooser chooser)
{
    TestChooser() = std::move(chooser);
}

QString CFolderBrowser::TrimmedFolder(const QString& folder)
{
    QString trimmed = folder;
    while (trimmed.size() > 1 && (trimmed.endsWith(QLatin1Char('/')) || trimmed.endsWith(QLatin1Char('\\'))))
        trimmed.chop(1);
    return trimmed;
}

bool CFolderBrowser::Show(QWidget* parent)
{
    m_path = TestChooser() ? TestChooser()(*this) : RunDialog(parent);
    if (m_path.isEmpty())
        return false;
    LastFolder() = m_path;
    return true;
}

QString CFolderBrowser::RunDialog(QWidget* parent) const
{
    QPointer<QFileDialog> dialog = new QFileDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setWindowTitle(Title.isEmpty() ? QStringLiteral("Open") : Title);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    const QString start = StartFolder();
    dialog->setDirectory(start);
    if (start != RootFolder)
        dialog->selectFile(start);
    if (ShowStatusText && !StatusText.isEmpty())
        dialog->setLabelText(QFileDialog::LookIn, StatusText);
    const bool chosen = dialog->exec() == QDialog::Accepted && dialog && !dialog->selectedFiles().isEmpty();
    const QString path = chosen ? dialog->selectedFiles().front() : QString();
    delete dialog;
    return path;
}
