#include "ui/QtPrompter.h"

#include "app/ConsolePrompter.h"
#include "ui/BlockingCall.h"
#include "ui/QuestionGate.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <optional>

namespace {

QMessageBox::StandardButtons ButtonsOf(unsigned style)
{
    switch (style & MbButtonMask) {
    case MbOkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MbAbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case MbYesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MbYesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MbRetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::StandardButton FirstButtonOf(unsigned style)
{
    switch (style & MbButtonMask) {
    case MbOkCancel:
        return QMessageBox::Ok;
    case MbAbortRetryIgnore:
        return QMessageBox::Abort;
    case MbYesNoCancel:
    case MbYesNo:
        return QMessageBox::Yes;
    case MbRetryCancel:
        return QMessageBox::Retry;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconOf(unsigned style)
{
    switch (style & MbIconMask) {
    case MbIconError:
        return QMessageBox::Critical;
    case MbIconQuestion:
        return QMessageBox::Question;
    case MbIconWarning:
        return QMessageBox::Warning;
    case MbIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

bool NativeDialogsUsable()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal");
}

} // namespace

CQtPrompter::CQtPrompter(QObject* parent)
    : QObject(parent)
{
}

bool CQtPrompter::OnInterfaceThread() const
{
    return QThread::currentThread() == thread();
}

QMessageBox* CQtPrompter::BuildBox(const QString& text, unsigned style, QWidget* parent)
{
    auto* box = new QMessageBox(IconOf(style), QStringLiteral("Korvane"), text, ButtonsOf(style), parent);
    box->setDefaultButton(FirstButtonOf(style));
    if (style & MbTopmost)
        box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

int CQtPrompter::AnswerOf(int standardButton)
{
    switch (standardButton) {
    case QMessageBox::Ok:
        return IdOk;
    case QMessageBox::Abort:
        return IdAbort;
    case QMessageBox::Retry:
        return IdRetry;
    case QMessageBox::Ignore:
        return IdIgnore;
    case QMessageBox::Yes:
        return IdYes;
    case QMessageBox::No:
        return IdNo;
    default:
        return IdCancel;
    }
}

void CQtPrompter::SetGate(CQuestionGate* gate)
{
    m_gate = gate;
}

// Over the window the user is working in: with the runs' gate, a run's
// topmost window or else the main window; without, a modal window, else the
// main window, else whatever is active.
QWidget* CQtPrompter::Owner() const
{
    if (m_gate)
        return m_gate->Top();
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return m_owner && m_owner->isVisible() ? m_owner.data() : QApplication::activeWindow();
}

// The box waits in a loop of its own rather than exec(): exec() ends when
// the box is hidden, which moving it to another window does (see
// CQuestionGate::Hold).
int CQtPrompter::AskHere(const std::string& text, unsigned style)
{
    QPointer<QMessageBox> box = BuildBox(QString::fromStdString(text), style, Owner());
    box->setWindowModality(Qt::ApplicationModal);
    if (m_gate)
        m_gate->Hold(box);
    // The answer is taken as the box closes: what closing it lets happen
    // before this loop returns (the run's windows closing) may delete it.
    std::optional<int> button;
    QEventLoop loop;
    connect(box, &QDialog::finished, &loop, [&] {
        button = box->standardButton(box->clickedButton());
        loop.quit();
    });
    connect(box, &QObject::destroyed, &loop, &QEventLoop::quit);
    box->show();
    loop.exec(QEventLoop::DialogExec);
    delete box.data();
    // A box that went unanswered (the program closing) leaves the answer of
    // a run nobody watches.
    if (!button)
        return CConsolePrompter::NonInteractiveAnswer(style);
    // A box closed by the window manager answers like its escape button.
    if ((style & MbButtonMask) == MbOk)
        return IdOk;
    return AnswerOf(*button);
}

int CQtPrompter::MessageBox(const std::string& text, unsigned style)
{
    if (OnInterfaceThread())
        return AskHere(text, style);
    if (m_closed)
        return CConsolePrompter::NonInteractiveAnswer(style);
    int answer = CConsolePrompter::NonInteractiveAnswer(style);
    CallBlocking(this, [this, &answer, &text, style] { answer = AskHere(text, style); });
    return answer;
}

bool CQtPrompter::AskFileNameHere(const FileDialogRequest& request, std::string& path)
{
    QFileDialog dialog(Owner(), QString::fromStdString(request.title));
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The session code asks its own replace question (57686).
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, !NativeDialogsUsable());
    // Not the working folder the program was started in, which is rarely
    // where a user keeps sessions.
    dialog.setDirectory(m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString chosen = dialog.selectedFiles().front();
    m_lastFolder = QFileInfo(chosen).absolutePath();
    path = chosen.toStdString();
    return !path.empty();
}

bool CQtPrompter::AskFileName(const FileDialogRequest& request, std::string& path)
{
    if (OnInterfaceThread())
        return AskFileNameHere(request, path);
    if (m_closed)
        return false;
    bool chosen = false;
    CallBlocking(this, [&] { chosen = AskFileNameHere(request, path); });
    return chosen;
}
