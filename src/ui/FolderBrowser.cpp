#include "ui/FolderBrowser.h"

#include <QFileDialog>
#include <QLabel>
#include <QPointer>

namespace {

CFolderBrowser::Chooser& TestChooser()
{
    static CFolderBrowser::Chooser chooser;
    return chooser;
}

} // namespace

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
    if (TestChooser()) {
        m_path = TestChooser()(*this);
        return !m_path.isEmpty();
    }
    QPointer<QFileDialog> dialog = new QFileDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setWindowTitle(Title.isEmpty() ? QStringLiteral("Open") : Title);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (!RootFolder.isEmpty())
        dialog->setDirectory(RootFolder);
    const QString initial = TrimmedFolder(InitialFolder);
    if (!initial.isEmpty()) {
        dialog->setDirectory(initial);
        dialog->selectFile(initial);
    }
    if (ShowStatusText && !StatusText.isEmpty())
        dialog->setLabelText(QFileDialog::LookIn, StatusText);
    const bool chosen = dialog->exec() == QDialog::Accepted && dialog && !dialog->selectedFiles().isEmpty();
    if (chosen)
        m_path = dialog->selectedFiles().front();
    delete dialog;
    return chosen;
}
