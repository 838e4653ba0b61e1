#include "app/ShellIntegration.h"

#include "SettingsTestFiles.h"
#include "StringTable.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "platform/MyRegistry.h"
#include "platform/Process.h"
#include "platform/XdgPaths.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& text)
{
    fs::create_directories(fs::path(path).parent_path());
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs(text.c_str(), file);
    std::fclose(file);
}

// A scratch stand-in for the machine: /etc/xdg/mimeapps.list and the data
// folder /usr/share (applications/, mime/packages/).
class ShellIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WipeSettingsAndRegistrations();
        m_view.mimeAppsLists
            = { m_machine / "etc/xdg/mimeapps.list", m_machine / "usr/share/applications/mimeapps.list" };
        m_view.dataDirs = { m_machine / "usr/share" };
        m_shell.SetMachineView(m_view);
    }
    void TearDown() override { WipeSettingsAndRegistrations(); }

    static std::string Read(const std::string& path) { return TempDir::Read(path); }

    // Installs a machine-wide desktop entry and MIME package for program.
    void InstallMachineWide(const std::string& desktopId, const std::string& program)
    {
        m_machine.Write("usr/share/applications/" + desktopId,
            "[Desktop Entry]\nType=Application\nName=Korvane\nExec=" + program + " %f\n");
        m_machine.Write("usr/share/mime/packages/korvane.xml", "<mime-info/>\n");
    }

    TempDir m_machine;
    MachineAssociationView m_view;
    const std::string m_program = "/opt/Korvane Backup/korvane";
    ScriptedPrompter m_prompter;
    CShellIntegration m_shell { m_program, m_prompter };
};

TEST_F(ShellIntegrationTest, FirstStartAsksOnceAndYesRegisters)
{
    m_prompter.Answer(IdYes);
    m_shell.FirstRunCheck();
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].text, LoadString(57680));
    EXPECT_EQ(m_prompter.asked[0].style, unsigned(MbYesNo | MbIconQuestion));

    CMyRegistry registry;
    registry.OpenKey("Software\\Zellik Software\\Korvane\\Info");
    EXPECT_EQ(registry.ReadString("Version", ""), "1.4");
    EXPECT_TRUE(m_shell.IsFileAssociated(".kvf"));
    EXPECT_TRUE(m_shell.IsFileAssociated(".KVF"));
    EXPECT_NE(Read(CShellIntegration::DesktopEntryPath()).find("Exec=\"/opt/Korvane Backup/korvane\" %f\n"),
        std::string::npos);
    EXPECT_NE(Read(CShellIntegration::MimePackagePath()).find("<glob pattern=\"*.kvf\"/>"), std::string::npos);

    ScriptedPrompter second;
    CShellIntegration(m_program, second).FirstRunCheck();
    EXPECT_TRUE(second.asked.empty());
}

TEST_F(ShellIntegrationTest, AnythingButYesRegistersNothingAndIsNotAskedAgain)
{
    for (int answer : { int(IdNo), int(IdCancel) }) {
        WipeSettingsAndRegistrations();
        ScriptedPrompter prompter;
        prompter.Answer(answer);
        CShellIntegration shell(m_program, prompter);
        shell.SetMachineView(m_view);
        shell.FirstRunCheck();
        EXPECT_EQ(prompter.asked.size(), 1u);
        EXPECT_FALSE(shell.IsFileAssociated(".kvf"));
        EXPECT_FALSE(fs::exists(CShellIntegration::DesktopEntryPath()));
        EXPECT_FALSE(fs::exists(CShellIntegration::UserMimeAppsListPath()));
        shell.FirstRunCheck();
        EXPECT_EQ(prompter.asked.size(), 1u);
    }
}

TEST_F(ShellIntegrationTest, AnOlderVersionIsAskedAgain)
{
    {
        CMyRegistry registry;
        registry.CreateKey("Info");
        registry.WriteString("Version", "1.3");
    }
    m_prompter.Answer(IdNo);
    m_shell.FirstRunCheck();
    EXPECT_EQ(m_prompter.asked.size(), 1u);
}

TEST_F(ShellIntegrationTest, RegisteringAndRemovingKeepTheUsersOtherAssociations)
{
    const std::string original = "# my associations\n"
                                 "[Default Applications]\n"
                                 "text/plain=org.gnome.gedit.desktop;\n"
                                 "application/x-korvane-session=other-backup.desktop;\n"
                                 "\n"
                                 "[Added Associations]\n"
                                 "image/png = viewer.desktop;\n"
                                 "\n"
                                 "[Removed Associations]\n"
                                 "text/html=firefox.desktop;\n";
    WriteFile(CShellIntegration::UserMimeAppsListPath(), original);
    ASSERT_TRUE(m_shell.SetFileAssociation(".kvf", 1, "KorvaneFile", "Korvane File", true));
    EXPECT_EQ(Read(CShellIntegration::UserMimeAppsListPath()),
        "# my associations\n"
        "[Default Applications]\n"
        "text/plain=org.gnome.gedit.desktop;\n"
        "application/x-korvane-session=korvane.desktop;other-backup.desktop;\n"
        "\n"
        "[Added Associations]\n"
        "image/png = viewer.desktop;\n"
        "application/x-korvane-session=korvane.desktop;\n"
        "\n"
        "[Removed Associations]\n"
        "text/html=firefox.desktop;\n");
    EXPECT_TRUE(m_shell.IsFileAssociated(".kvf"));

    ASSERT_TRUE(m_shell.SetFileAssociation(".kvf", 1, "KorvaneFile", "Korvane File", false));
    EXPECT_EQ(Read(CShellIntegration::UserMimeAppsListPath()), original);
    EXPECT_FALSE(fs::exists(CShellIntegration::DesktopEntryPath()));
    EXPECT_FALSE(fs::exists(CShellIntegration::MimePackagePath()));
    EXPECT_FALSE(m_shell.IsFileAssociated(".kvf"));
}

TEST_F(ShellIntegrationTest, RemovingTwiceFindsNothingAndReportsNothing)
{
    ASSERT_TRUE(m_shell.SetFileAssociation(".kvf", 1, "KorvaneFile", "Korvane File", true));
    const std::string unrelated = XdgDataHome() + "/applications/other.desktop";
    WriteFile(unrelated, "[Desktop Entry]\n");

    EXPECT_TRUE(m_shell.SetFileAssociation(".kvf", 1, "KorvaneFile", "Korvane File", false));
    fs::remove(CShellIntegration::UserMimeAppsListPath());
    EXPECT_TRUE(m_shell.SetFileAssociation(".kvf", 1, "KorvaneFile", "Korvane File", false));
    EXPECT_FALSE(fs::exists(CShellIntegration::UserMimeAppsListPath()));
    EXPECT_TRUE(fs::exists(unrelated));
    EXPECT_TRUE(m_prompter.asked.empty());
}

TEST_F(ShellIntegrationTest, MachineWideAssociationCountsUnlessTheUserChoseAnother)
{
    EXPECT_FALSE(m_shell.IsFileAssociated(".kvf"));
    m_machine.Write("etc/xdg/mimeapps.list",
        "[Default Applications]\napplication/x-korvane-session=missing.desktop;korvane-system.desktop;\n");
    EXPECT_FALSE(m_shell.IsFileAssociated(".kvf"));
    InstallMachineWide("korvane-system.desktop", "\"/opt/Korvane Backup/korvane\"");
    EXPECT_TRUE(m_shell.IsFileAssociated(".kvf"));
    EXPECT_FALSE(fs::exists(CShellIntegration::UserMimeAppsListPath()));

    // The machine's data-folder list is read too.
    m_machine.Write("etc/xdg/mimeapps.list", "");
    EXPECT_FALSE(m_shell.IsFileAssociated(".kvf"));
    m_machine.Write("usr/share/applications/mimeapps.list",
        "[Default Applications]\napplication/x-korvane-session=korvane-system.desktop\n");
    EXPECT_TRUE(m_shell.IsFileAssociated(".kvf"));

    // The user's own default wins over the machine's.
    WriteFile(XdgDataHome() + "/applications/archiver.desktop", "[Desktop Entry]\nExec=/usr/bin/archiver %f\n");
    WriteFile(CShellIntegration::UserMimeAppsListPath(),
        "[Default Applications]\napplication/x-korvane-session=archiver.desktop;\n");
    EXPECT_FALSE(m_shell.IsFileAssociated(".kvf"));
}

TEST_F(ShellIntegrationTest, AutomaticStartNamingAnotherCopyIsNotRegistered)
{
    EXPECT_FALSE(m_shell.IsSchedulerRegistered());
    // A path that merely starts with this program's path is another program.
    for (const char* other : { "/opt/Korvane Backup/korvane.old", "/opt/Korvane Backup/korvane-2/korvane" }) {
        CShellIntegration(other).UpdateSchedulerRegistration(true);
        EXPECT_FALSE(m_shell.IsSchedulerRegistered()) << other;
    }
    ASSERT_TRUE(m_shell.UpdateSchedulerRegistration(true));
    EXPECT_TRUE(m_shell.IsSchedulerRegistered());
    EXPECT_NE(
        Read(CShellIntegration::AutostartPath()).find("Exec=\"/opt/Korvane Backup/korvane\" /i\n"), std::string::npos);

    ASSERT_TRUE(m_shell.UpdateSchedulerRegistration(false));
    EXPECT_FALSE(fs::exists(CShellIntegration::AutostartPath()));
    EXPECT_TRUE(m_shell.UpdateSchedulerRegistration(false));
}

TEST_F(ShellIntegrationTest, DisabledOrLinkedAutomaticStartIsJudgedByWhatRuns)
{
    TempDir dir;
    const std::string program = dir.Write("bin/korvane", "#!/bin/sh\n");
    fs::create_symlink(program, dir / "korvane-link");
    CShellIntegration shell(program);
    CShellIntegration(dir / "korvane-link").UpdateSchedulerRegistration(true);
    EXPECT_TRUE(shell.IsSchedulerRegistered());

    WriteFile(CShellIntegration::AutostartPath(), Read(CShellIntegration::AutostartPath()) + "Hidden=true\n");
    EXPECT_FALSE(shell.IsSchedulerRegistered());
}

TEST_F(ShellIntegrationTest, ProgramPathsWithShellCharactersRoundTrip)
{
    for (const char* path : { "/opt/a \"quoted\" $HOME `x` 100%/korvane", "/opt/back\\slash/korvane" }) {
        WipeSettingsAndRegistrations();
        CShellIntegration shell(path);
        shell.SetMachineView(m_view);
        ASSERT_TRUE(shell.SetFileAssociation(".kvf", 1, "KorvaneFile", "Korvane File", true));
        EXPECT_TRUE(shell.IsFileAssociated(".kvf")) << path;
        ASSERT_TRUE(shell.UpdateSchedulerRegistration(true));
        EXPECT_TRUE(shell.IsSchedulerRegistered()) << path;
        EXPECT_FALSE(m_shell.IsSchedulerRegistered()) << path;
    }
    EXPECT_NE(
        Read(CShellIntegration::AutostartPath()).find("Exec=\"/opt/back\\\\\\\\slash/korvane\" /i"), std::string::npos);
}

TEST_F(ShellIntegrationTest, OnlySessionFilesAreKnown)
{
    EXPECT_FALSE(m_shell.SetFileAssociation(".txt", 1, "TextFile", "Text", true));
    EXPECT_FALSE(fs::exists(CShellIntegration::DesktopEntryPath()));
    EXPECT_FALSE(m_shell.IsFileAssociated(".txt"));
}

TEST_F(ShellIntegrationTest, DesktopHelpersAreUsedWhenPresentAndNeverRequired)
{
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    TempDir empty;
    ::setenv("PATH", empty.Path().c_str(), 1);
    const bool registered = m_shell.SetFileAssociation(".kvf", 1, "KorvaneFile", "Korvane File", true);
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_TRUE(registered);
    EXPECT_TRUE(m_shell.IsFileAssociated(".kvf"));

    if (RunHelperProgram("update-mime-database", { "-v" }) == kHelperNotFound)
        GTEST_SKIP() << "update-mime-database is not installed";
    ASSERT_TRUE(m_shell.SetFileAssociation(".kvf", 1, "KorvaneFile", "Korvane File", true));
    EXPECT_NE(Read(XdgDataHome() + "/mime/globs2").find("application/x-korvane-session:*.kvf"), std::string::npos);
}

TEST_F(ShellIntegrationTest, UnwritableDesktopFoldersAreReported)
{
    // A file where the applications folder should be.
    WriteFile(XdgDataHome() + "/applications", "");
    EXPECT_FALSE(m_shell.SetFileAssociation(".kvf", 1, "KorvaneFile", "Korvane File", true));
    EXPECT_FALSE(m_shell.IsFileAssociated(".kvf"));
    fs::remove(XdgDataHome() + "/applications");
}

} // namespace
