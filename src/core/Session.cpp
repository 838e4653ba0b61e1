#include "core/Session.h"

#include "StringTable.h"
#include "core/Prompter.h"
#include "core/SessionFile.h"
#include "core/WindowState.h"
#include "platform/FileIo.h"

#include <algorithm>
#include <filesystem>

CSession::CSession(const CSession& other)
{
    *this = other;
}

CSession& CSession::operator=(const CSession& other)
{
    if (this == &other)
        return *this;
    std::scoped_lock lock(m_lock, other.m_lock);
    FileName = other.FileName;
    ActiveSet = other.ActiveSet;
    Sets.resize(other.Sets.size());
    std::copy(other.Sets.begin(), other.Sets.end(), Sets.begin());
    return *this;
}

bool CSession::IsSameContent(const CSession& other) const
{
    return std::equal(Sets.begin(), Sets.end(), other.Sets.begin(), other.Sets.end(),
        [](const CSet& a, const CSet& b) { return a.IsSameContent(b); });
}

CSet* CSession::ActiveSetPtr()
{
    if (ActiveSet < 0 || static_cast<size_t>(ActiveSet) >= Sets.size())
        return nullptr;
    return &Sets[static_cast<size_t>(ActiveSet)];
}

std::optional<CSet> CSession::CopySet(std::int64_t index) const
{
    std::lock_guard lock(m_lock);
    if (index < 0 || static_cast<std::uint64_t>(index) >= Sets.size())
        return std::nullopt;
    return Sets[static_cast<std::size_t>(index)];
}

std::optional<CSet> CSession::CopyActiveSet() const
{
    std::lock_guard lock(m_lock);
    return CopySet(ActiveSet);
}

int CSession::NewSession(CPrompter& prompter)
{
    if (HasUnsavedChanges()) {
        const int answer = prompter.MessageBox(LoadString(57684), MbYesNoCancel | MbIconQuestion);
        if (answer == IdCancel)
            return -1;
        if (answer == IdYes) {
            if (const int result = SaveSession(prompter); result != 0)
                return result;
        }
    }
    Edit([](CSession& session) {
        session.Sets.clear();
        session.FileName.clear();
        session.ActiveSet = 0;
        session.Sets.emplace_back().Name = "Default Set";
    });
    if (SavedCopy)
        *SavedCopy = *this;
    return 0;
}

int CSession::SaveSession(CPrompter& prompter)
{
    if (FileName.empty() && AskSaveFileName(prompter) != 0)
        return -1;
    const std::string document = Read([](const CSession& session) { return CSessionFile::BuildDocument(session); });
    if (const int result = CSessionFile::Write(FileName, document); result != 0)
        return result;
    // Only a file that reached the disk makes the session count as saved:
    // after a failed write the changes must still be offered for saving.
    if (SavedCopy)
        *SavedCopy = *this;
    RememberLastSession();
    return 0;
}

int CSession::SaveSessionAs(CPrompter& prompter)
{
    if (AskSaveFileName(prompter) != 0)
        return -1;
    return SaveSession(prompter);
}

int CSession::AskSaveFileName(CPrompter& prompter)
{
    const FileDialogRequest request { "Save Session", "Korvane Files (*.kvf)", "kvf", true, false };
    std::string path;
    if (!prompter.AskFileName(request, path) || path.empty())
        return -1;
    if (FileIo::IsReadableFile(path)) {
        if (FileIo::IsReadOnlyFile(path)) {
            prompter.MessageBox(FormatString(LoadString(57685).c_str(), path.c_str()), MbOk | MbIconError);
            return -1;
        }
        const std::string question = FormatString(LoadString(57686).c_str(), path.c_str());
        if (prompter.MessageBox(question, MbYesNo | MbIconQuestion) != IdYes)
            return -1;
    }
    Edit([&path](CSession& session) { session.FileName = path; });
    return 0;
}

int CSession::AskOpenFileName(CPrompter& prompter)
{
    const FileDialogRequest request { "Open Session", "Korvane Files (*.kvf);;All Files (*.*)", "kvf", false, true };
    std::string path;
    if (!prompter.AskFileName(request, path) || path.empty())
        return -1;
    Edit([&path](CSession& session) { session.FileName = path; });
    return 0;
}

int CSession::OpenSession(CPrompter& prompter, const std::string* path)
{
    // The path may be this session's own FileName, which NewSession clears.
    const std::string requested = path ? *path : std::string();
    if (const int result = NewSession(prompter); result != 0)
        return result;
    Edit([&](CSession& session) {
        session.Sets.clear();
        if (path)
            session.FileName = requested;
    });
    m_failureReason.clear();
    if (!path && AskOpenFileName(prompter) != 0)
        return -1;
    const std::string file = FileName;
    const int result = CSessionFile::Read(file, *this, prompter, &m_failureReason);
    // A file of a newer version was refused and has said so; forgetting its
    // name keeps a later Save from writing the older format over it.
    if (result == -1)
        Edit([](CSession& session) { session.FileName.clear(); });
    // Whatever the file gave, possibly nothing, is now the saved state. Were a
    // failed open counted as a change, the next "save the current session?"
    // would write the empty session over the very file that failed to open.
    if (SavedCopy)
        *SavedCopy = *this;
    return result;
}

void CSession::RememberLastSession()
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(FileName, error);
    // Stored whole, as the automatic start opens it from another folder.
    CWindowState().SetLastSession(error ? FileName : full.lexically_normal().string());
}

void CSession::OpenLastSession(CPrompter& prompter)
{
    const std::string path = CWindowState().LastSession();
    if (!path.empty())
        OpenSession(prompter, &path);
}

int CSession::RunFileCommand(SessionCommand command, CPrompter& prompter, const std::string* path)
{
    int result = 0;
    switch (command) {
    case SessionCommand::New:
        result = NewSession(prompter);
        break;
    case SessionCommand::Open:
        result = OpenSession(prompter, path);
        break;
    case SessionCommand::Save:
        result = SaveSession(prompter);
        break;
    case SessionCommand::SaveAs:
        result = SaveSessionAs(prompter);
        break;
    }
    if (result >= -1)
        return result;
    const int message = command == SessionCommand::Open ? 57688 : 57687;
    prompter.MessageBox(FailureMessage(message), MbOk | MbIconError);
    return result;
}

std::string CSession::FailureMessage(int messageId) const
{
    std::string text = FormatString(LoadString(messageId).c_str(), FileName.c_str());
    if (messageId == 57688 && !m_failureReason.empty())
        text += "\n\n" + m_failureReason;
    return text;
}
