#pragma once

#include <string>
#include <vector>

class CPrompter;

// The program version the Info key's Version value records at start-up.
inline constexpr const char* kProgramVersion = "1.4";
// The MIME type of session files and the desktop entries the program writes.
inline constexpr const char* kSessionMimeType = "application/x-korvane-session";
inline constexpr const char* kDesktopFileName = "korvane.desktop";

// Where the machine-wide part of the desktop's association view lives. The
// defaults are the system's; tests point them at scratch files.
struct MachineAssociationView {
    // Read after the user's $XDG_CONFIG_HOME/mimeapps.list, in this order.
    std::vector<std::string> mimeAppsLists { "/etc/xdg/mimeapps.list", "/usr/share/applications/mimeapps.list" };
    // Machine data folders (desktop entries below applications/, MIME
    // packages below mime/); empty means $XDG_DATA_DIRS.
    std::vector<std::string> dataDirs;
};

// Ties the program into the desktop: session files (.kvf) open with it, and
// while the scheduler is active it starts at logon with "/i".
//   association: MIME type application/x-korvane-session (glob *.kvf) in
//     $XDG_DATA_HOME/mime/packages/korvane.xml, the desktop entry
//     $XDG_DATA_HOME/applications/korvane.desktop (Exec="<program>" %f), and
//     the default in $XDG_CONFIG_HOME/mimeapps.list;
//   automatic start: $XDG_CONFIG_HOME/autostart/korvane.desktop
//     (Exec="<program>" /i).
class CShellIntegration {
public:
    CShellIntegration(std::string programPath, CPrompter& prompter);
    // Without a prompter: checks and writes registrations, never asks.
    explicit CShellIntegration(std::string programPath);

    void SetMachineView(MachineAssociationView view) { m_machine = std::move(view); }

    // Start-up: on the first start of this program version offers the
    // association (message 57680) and registers it on Yes.
    void FirstRunCheck();

    // Registers or removes the association of extension (only ".kvf" is
    // known). Removing deletes only what registering wrote; removing what is
    // not there does nothing. False when a file could not be written.
    bool SetFileAssociation(const std::string& extension, int iconIndex, const std::string& typeName,
        const std::string& description, bool doRegister);
    // True when the desktop opens files of extension with this program,
    // counting machine-wide defaults.
    bool IsFileAssociated(const std::string& extension) const;

    // True when the automatic start exists and starts this program.
    bool IsSchedulerRegistered() const;
    // Writes or deletes the automatic start; false when that failed.
    bool UpdateSchedulerRegistration(bool schedulerActive);

    const std::string& ProgramPath() const { return m_programPath; }

    static std::string UserMimeAppsListPath();
    static std::string AutostartPath();
    static std::string DesktopEntryPath();
    static std::string MimePackagePath();

private:
    bool RegisterAssociation(const std::string& description);
    bool RemoveAssociation();
    bool IsMimeTypeKnown() const;
    std::string FindDesktopFile(const std::string& desktopId) const;
    bool EntryStartsThisProgram(const std::string& path) const;
    std::vector<std::string> MachineDataDirs() const;
    std::string DesktopEntryText(const std::string& description) const;
    void RefreshDesktopDatabases() const;

    std::string m_programPath;
    CPrompter* m_prompter = nullptr;
    MachineAssociationView m_machine;
};
