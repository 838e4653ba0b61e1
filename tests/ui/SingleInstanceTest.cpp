#include "ui/SingleInstance.h"

#include "DialogTestSupport.h"
#include "StringTable.h"
#include "common/AsOtherUser.h"
#include "common/EventualAssert.h"
#include "common/FakeClock.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "core/Prompter.h"
#include "platform/MediaRoot.h"
#include "platform/StartupLock.h"
#include "scheduler/RunnerFixture.h"
#include "ui/KorvaneDlg.h"
#include "ui/UiContext.h"

#include <QFile>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A later start, on a thread of its own as it would be in its own process:
// it waits for the start-up lock and hands text over. The interface thread
// keeps serving the first instance meanwhile.
bool HandOverFromLaterStart(const std::optional<std::string>& text)
{
    std::atomic<int> result { -1 };
    std::thread later([&result, text] {
        CSingleInstance instance;
        instance.LockStartup();
        result = instance.ActivateOtherInstance(text) ? 1 : 0;
    });
    const bool ended = QTest::qWaitFor([&result] { return result.load() >= 0; }, 20000);
    later.join();
    return ended && result == 1;
}

// The first instance's main window, published, on a session with unsaved
// changes.
class HandOverTest : public ::testing::Test, protected UiContextParts {
protected:
    HandOverTest()
    {
        session.Sets.emplace_back().Name = "Docs";
        saved = session;
        session.Sets.front().Name = "Docs, changed";
        SettingsRecord record;
        record.SchedulerActive = true;
        settings.Replace(record);
        CKorvaneDlg::Services services { [](CRunDisplay&) { return std::unique_ptr<CActionRunner>(); }, clock, false,
            true };
        window = std::make_unique<CKorvaneDlg>(context, services);
        first.LockStartup();
        EXPECT_TRUE(first.PublishInstance());
        EXPECT_FALSE(first.HoldsStartupLock());
        // As the program connects them: queued, out of the socket's notification.
        QObject::connect(
            &first, &CSingleInstance::HandedOver, window.get(), [this](const std::optional<std::string>& text) {
                QTimer::singleShot(0, window.get(), [this, text] { window->ReceiveHandOver(text); });
            });
        window->ShowAtStart(true);
    }

    TempDir dir;
    FakeClock clock;
    CSingleInstance first;
    std::unique_ptr<CKorvaneDlg> window;
};

TEST_F(HandOverTest, ASessionPathIsOpenedAfterTheSaveQuestion)
{
    ASSERT_TRUE(window->InTray());
    const std::string path = dir / "other.kvf";
    std::filesystem::copy_file(std::string(KORVANE_TEST_DATA) + "/sessions/written003.kvf", path);
    prompter.Answer(IdNo);
    ASSERT_TRUE(HandOverFromLaterStart(path));
    ASSERT_EVENTUALLY_EQ(session.FileName, path);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, LoadString(57684));
    EXPECT_FALSE(window->InTray());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(HandOverTest, ASwitchOrNothingOnlyBringsTheWindowForward)
{
    const std::vector<std::optional<std::string>> texts { std::string("/i"), std::string("/I"),
        std::string("--scheduler"), std::string("-v"), std::nullopt };
    for (const auto& text : texts) {
        window->MinimiseToTray();
        ASSERT_TRUE(window->InTray());
        ASSERT_TRUE(HandOverFromLaterStart(text)) << text.value_or("(none)");
        ASSERT_EVENTUALLY(window->isVisible());
        EXPECT_FALSE(window->InTray());
    }
    // Nothing was opened and nothing asked or reported.
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(session.FileName.empty());
    EXPECT_EQ(session.Sets.front().Name, "Docs, changed");
}

TEST_F(HandOverTest, APathWaitsForAnOpenDialog)
{
    const std::string path = dir / "other.kvf";
    std::filesystem::copy_file(std::string(KORVANE_TEST_DATA) + "/sessions/written003.kvf", path);
    QDialog dialog(window.get());
    dialog.setModal(true);
    dialog.show();
    prompter.Answer(IdNo);
    ASSERT_TRUE(HandOverFromLaterStart(path));
    ASSERT_EVENTUALLY(!window->InTray());
    EXPECT_TRUE(session.FileName.empty());
    EXPECT_TRUE(prompter.asked.empty());
    dialog.accept();
    ASSERT_EVENTUALLY_EQ(session.FileName, path);
}

TEST(SingleInstance, NamesFollowTheMappingNameAndTheUser)
{
    CSingleInstance instance;
    EXPECT_EQ(instance.MappingName(), "CSingleInstance_MMF_KV");
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(instance.ServerName().toStdString(), runtime + "/CSingleInstance_MMF_KV_" + std::to_string(::geteuid()));
    EXPECT_FALSE(instance.OtherInstanceRunning());
}

// A killed instance leaves its socket file behind; nothing answers on it.
TEST(SingleInstance, AStaleSocketNeverBlocksALaterStart)
{
    CSingleInstance probe;
    const std::string name = probe.ServerName().toStdString();
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        name.copy(address.sun_path, sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    ASSERT_TRUE(std::filesystem::exists(name));
    CSingleInstance later;
    later.LockStartup();
    EXPECT_FALSE(later.OtherInstanceRunning());
    EXPECT_FALSE(later.ActivateOtherInstance(std::string("/i")));
    EXPECT_TRUE(later.HoldsStartupLock());
    EXPECT_TRUE(later.PublishInstance());
    EXPECT_TRUE(probe.OtherInstanceRunning());
}

// The kernel lets go of a dead process's lock: a start after it goes on.
TEST(SingleInstance, AStaleLockNeverBlocksALaterStart)
{
    const pid_t child = ::fork();
    if (child == 0) {
        CStartupLock lock;
        lock.Lock();
        ::raise(SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(std::filesystem::exists(CStartupLock::Folder() + "/KV.lock"));
    CSingleInstance later;
    later.LockStartup();
    EXPECT_TRUE(later.HoldsStartupLock());
}

// While one start holds the lock, no other can take it; once it lets go,
// the start that waited goes on.
TEST(SingleInstance, TheStartUpLockOrdersStarts)
{
    CStartupLock holder;
    ASSERT_TRUE(holder.Lock());
    const std::string path = CStartupLock::Folder() + "/KV.lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_NE(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    std::atomic<bool> locked { false };
    std::thread later([&locked] {
        CStartupLock lock;
        lock.Lock();
        locked = true;
    });
    holder.Unlock();
    ASSERT_EVENTUALLY(locked.load());
    later.join();
}

TEST(SingleInstance, AnOversizedHandOverIsDropped)
{
    CSingleInstance first;
    first.LockStartup();
    ASSERT_TRUE(first.PublishInstance());
    int received = 0;
    QObject::connect(
        &first, &CSingleInstance::HandedOver, [&received](const std::optional<std::string>&) { ++received; });
    ASSERT_TRUE(HandOverFromLaterStart(std::string(CSingleInstance::kMaxBytes + 1, 'x')));
    ASSERT_TRUE(HandOverFromLaterStart(std::string("/i")));
    ASSERT_EVENTUALLY_EQ(received, 1);
}

// Points an environment variable elsewhere (or nowhere) for one scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// Without a runtime folder the lock lies in korvane-<uid> of the temporary
// folder, which another user can name first: a folder of theirs, or a link
// to one. Either is refused, never used and never passed over, so a second
// window cannot start beside the first.
TEST(SingleInstance, AStartUpFolderAnotherUserMadeIsRefused)
{
    TempDir dir;
    const std::string shared = dir / "tmp";
    std::filesystem::create_directory(shared);
    std::filesystem::permissions(shared, std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
    const std::string name = "korvane-" + std::to_string(::geteuid());
    ScopedVariable noRuntime("XDG_RUNTIME_DIR", nullptr);
    ScopedVariable temp("TMPDIR", shared.c_str());
    const struct {
        const char* what;
        std::function<int()> make;
        const char* reason;
    } cases[] = {
        { "folder", [&name] { return ::mkdir(name.c_str(), 0700); }, "it belongs to another user (user id 65534)" },
        { "link", [&name] { return ::mkdir("theirs", 0777) == 0 && ::symlink("theirs", name.c_str()) == 0 ? 0 : 1; },
            "it is a symbolic link" },
    };
    for (const auto& made : cases) {
        std::filesystem::remove_all(shared + "/" + name);
        std::filesystem::remove_all(shared + "/theirs");
        ASSERT_EQ(RunAsOtherUser(shared, made.make), 0) << made.what;
        CSingleInstance start;
        EXPECT_FALSE(start.LockStartup()) << made.what;
        EXPECT_FALSE(start.HoldsStartupLock());
        EXPECT_EQ(start.StartupRefusal(),
            "The lock folder '" + shared + "/" + name + "' cannot be used: " + made.reason
                + ".\nKorvane does not start until it is removed or made a folder of your own that no one else may "
                  "enter (mode 700).");
        EXPECT_TRUE(start.ServerName().isEmpty());
        EXPECT_FALSE(std::filesystem::exists(shared + "/" + name + "/KV.lock"));
    }
    // A runtime folder that is not the user's own (sudo keeps the caller's)
    // is passed for the temporary folder, which must then be right.
    std::filesystem::remove_all(shared + "/" + name);
    ASSERT_EQ(RunAsOtherUser(shared, [] { return ::mkdir("their-runtime", 0700); }), 0);
    const std::string theirs = shared + "/their-runtime";
    ScopedVariable runtime("XDG_RUNTIME_DIR", theirs.c_str());
    CSingleInstance start;
    EXPECT_TRUE(start.LockStartup());
    EXPECT_EQ(CStartupLock::Folder(), shared + "/" + name);
}

} // namespace
