#include "app/ShellIntegration.h"

#include "StringTable.h"
#include "app/DesktopEntry.h"
#include "app/MimeAppsList.h"
#include "core/Prompter.h"
#include "platform/MyRegistry.h"
#include "platform/Process.h"
#include "platform/SmallFile.h"
#include "platform/XdgPaths.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* kDefaultGroup = "Default Applications";
constexpr const char* kAddedGroup = "Added Associations";
constexpr int kAskAssociation = 57680;

bool IsSessionExtension(const std::string& extension)
{
    std::string lower = extension;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower == ".kvf";
}

std::string EscapeXml(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '&':
            escaped += "&amp;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped.push_back(c);
            break;
        }
    }
    return escaped;
}

std::string MimePackageText(const std::string& description)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                       "  <mime-type type=\"")
        + kSessionMimeType + "\">\n    <comment>" + EscapeXml(description)
        + "</comment>\n    <glob pattern=\"*.kvf\"/>\n  </mime-type>\n</mime-info>\n";
}

// Reads a whole file, empty when it is missing.
std::string ReadOrEmpty(const std::string& path)
{
    std::string text;
    ReadSmallFile(path, text);
    return text;
}

} // namespace

CShellIntegration::CShellIntegration(std::string programPath, CPrompter& prompter)
    : m_programPath(std::move(programPath))
    , m_prompter(&prompter)
{
}

CShellIntegration::CShellIntegration(std::string programPath)
    : m_programPath(std::move(programPath))
{
}

std::string CShellIntegration::UserMimeAppsListPath()
{
    return XdgConfigHome() + "/mimeapps.list";
}

std::string CShellIntegration::AutostartPath()
{
    return XdgConfigHome() + "/autostart/" + kDesktopFileName;
}

std::string CShellIntegration::DesktopEntryPath()
{
    return XdgDataHome() + "/applications/" + kDesktopFileName;
}

std::string CShellIntegration::MimePackagePath()
{
    return XdgDataHome() + "/mime/packages/korvane.xml";
}

void CShellIntegration::FirstRunCheck()
{
    CMyRegistry registry;
    registry.CreateKey("Info");
    if (registry.ReadString("Version", "0") == kProgramVersion)
        return;
    registry.WriteString("Version", kProgramVersion);
    registry.CloseKey();
    // Registered on Yes only: a prompter that cannot ask (no display, no
    // terminal) must not change the user's desktop unasked.
    if (!m_prompter || m_prompter->MessageBox(LoadString(kAskAssociation), MbYesNo | MbIconQuestion) != IdYes)
        return;
    SetFileAssociation(".kvf", 1, "KorvaneFile", "Korvane File", true);
}

bool CShellIntegration::SetFileAssociation(const std::string& extension, int /*iconIndex*/,
    const std::string& /*typeName*/, const std::string& description, bool doRegister)
{
    // The desktop names types by MIME type and finds icons by name, so the
    // type name and icon index have no place to go.
    if (!IsSessionExtension(extension))
        return false;
    return doRegister ? RegisterAssociation(description) : RemoveAssociation();
}

std::string CShellIntegration::DesktopEntryText(const std::string& description) const
{
    return std::string("[Desktop Entry]\nType=Application\nName=Korvane\nComment=")
        + CDesktopEntry::EscapeValue(description)
        + "\nExec=" + CDesktopEntry::EscapeValue(CDesktopEntry::QuoteExecArgument(m_programPath) + " %f")
        + "\nMimeType=" + kSessionMimeType + ";\nNoDisplay=true\nTerminal=false\n";
}

bool CShellIntegration::RegisterAssociation(const std::string& description)
{
    bool written = WriteSmallFile(MimePackagePath(), MimePackageText(description));
    written = WriteSmallFile(DesktopEntryPath(), DesktopEntryText(description)) && written;

    const std::string listPath = UserMimeAppsListPath();
    CMimeAppsList list(ReadOrEmpty(listPath));
    bool changed = list.Prepend(kDefaultGroup, kSessionMimeType, kDesktopFileName);
    changed = list.Prepend(kAddedGroup, kSessionMimeType, kDesktopFileName) || changed;
    if (changed)
        written = WriteSmallFile(listPath, list.Text()) && written;
    RefreshDesktopDatabases();
    return written;
}

bool CShellIntegration::RemoveAssociation()
{
    bool removed = true;
    const std::string listPath = UserMimeAppsListPath();
    std::string text;
    if (ReadSmallFile(listPath, text)) {
        CMimeAppsList list(text);
        bool changed = list.Remove(kDefaultGroup, kSessionMimeType, kDesktopFileName);
        changed = list.Remove(kAddedGroup, kSessionMimeType, kDesktopFileName) || changed;
        if (changed)
            removed = WriteSmallFile(listPath, list.Text());
    }
    const DeleteResult entry = DeleteSmallFile(DesktopEntryPath());
    const DeleteResult package = DeleteSmallFile(MimePackagePath());
    if (entry == DeleteResult::Failed || package == DeleteResult::Failed)
        removed = false;
    if (entry == DeleteResult::Deleted || package == DeleteResult::Deleted)
        RefreshDesktopDatabases();
    return removed;
}

// The desktop's caches of MIME types and desktop entries are rebuilt when
// the tools are installed; without them desktops read the files directly.
void CShellIntegration::RefreshDesktopDatabases() const
{
    const std::string data = XdgDataHome();
    if (SmallFileExists(data + "/mime/packages/korvane.xml") || SmallFileExists(data + "/mime/globs2"))
        RunHelperProgram("update-mime-database", { data + "/mime" });
    RunHelperProgram("update-desktop-database", { data + "/applications" });
}

std::vector<std::string> CShellIntegration::MachineDataDirs() const
{
    return m_machine.dataDirs.empty() ? XdgDataDirs() : m_machine.dataDirs;
}

bool CShellIntegration::IsMimeTypeKnown() const
{
    std::vector<std::string> dirs { XdgDataHome() };
    for (const std::string& dir : MachineDataDirs())
        dirs.push_back(dir);
    const std::string globLine = std::string(":") + kSessionMimeType + ":*.kvf";
    for (const std::string& dir : dirs) {
        if (SmallFileExists(dir + "/mime/packages/korvane.xml"))
            return true;
        if (ReadOrEmpty(dir + "/mime/globs2").find(globLine) != std::string::npos)
            return true;
    }
    return false;
}

std::string CShellIntegration::FindDesktopFile(const std::string& desktopId) const
{
    if (desktopId.find('/') != std::string::npos)
        return {};
    std::vector<std::string> dirs { XdgDataHome() };
    for (const std::string& dir : MachineDataDirs())
        dirs.push_back(dir);
    for (const std::string& dir : dirs) {
        const std::string path = dir + "/applications/" + desktopId;
        if (SmallFileExists(path))
            return path;
    }
    return {};
}

// The stored command names this program exactly (or a link to it): a plain
// substring test would take "/opt/korvane.old" for "/opt/korvane".
bool CShellIntegration::EntryStartsThisProgram(const std::string& path) const
{
    std::string text;
    if (!ReadSmallFile(path, text))
        return false;
    const CDesktopEntry entry(text);
    const std::string program = entry.ExecProgram();
    return !entry.Hidden() && !program.empty() && PathsNameSameFile(program, m_programPath);
}

bool CShellIntegration::IsFileAssociated(const std::string& extension) const
{
    if (!IsSessionExtension(extension) || !IsMimeTypeKnown())
        return false;
    std::vector<std::string> lists { UserMimeAppsListPath() };
    for (const std::string& list : m_machine.mimeAppsLists)
        lists.push_back(list);
    // The first default whose desktop entry is installed decides, the
    // user's list before the machine's.
    for (const std::string& listPath : lists) {
        const CMimeAppsList list(ReadOrEmpty(listPath));
        for (const std::string& id : list.Entries(kDefaultGroup, kSessionMimeType)) {
            const std::string entry = FindDesktopFile(id);
            if (!entry.empty())
                return EntryStartsThisProgram(entry);
        }
    }
    return false;
}

bool CShellIntegration::IsSchedulerRegistered() const
{
    return EntryStartsThisProgram(AutostartPath());
}

bool CShellIntegration::UpdateSchedulerRegistration(bool schedulerActive)
{
    if (!schedulerActive)
        return DeleteSmallFile(AutostartPath()) != DeleteResult::Failed;
    const std::string text = "[Desktop Entry]\nType=Application\nName=Korvane\nExec="
        + CDesktopEntry::EscapeValue(CDesktopEntry::QuoteExecArgument(m_programPath) + " /i")
        + "\nTerminal=false\nNoDisplay=true\n";
    return WriteSmallFile(AutostartPath(), text);
}
