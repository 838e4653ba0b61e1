#include "platform/desktop/KeyringPasswordStore.h"

#include "common/TempDir.h"
#include "common/TestApplication.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <string>

namespace {

constexpr const char* kSecretsName = "org.freedesktop.secrets";

// Each test runs in a child of this test program: the library behind the
// keyring leaves threads of its own in the process (other tests here need a
// process without them), and it ends the whole process when its session
// bus goes away, so a private bus must outlive the process that used it.
struct ChildRun {
    bool skipped = false;
    bool passed = false;
    std::string output;
};

ChildRun RunChild(const char* test, const std::string& busConfiguration = {})
{
    QStringList arguments { QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(),
        QStringLiteral("--gtest_also_run_disabled_tests"),
        QStringLiteral("--gtest_filter=KeyringPasswordStore.") + QString::fromLatin1(test) };
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KORVANE_TEST_KEYRING_CHILD"), QStringLiteral("1"));
    if (!busConfiguration.empty()) {
        environment.insert(QStringLiteral("KORVANE_TEST_PRIVATE_BUS"), QStringLiteral("1"));
        arguments.prepend(QStringLiteral("--"));
        arguments.prepend(QStringLiteral("--config-file=") + QString::fromStdString(busConfiguration));
    }
    child.setProcessEnvironment(environment);
    const QString program = arguments.takeFirst();
    child.start(busConfiguration.empty() ? program : QStringLiteral("dbus-run-session"),
        busConfiguration.empty() ? arguments : QStringList { program } + arguments);
    ChildRun run;
    const bool finished = child.waitForFinished(180000);
    run.output = child.readAll().toStdString();
    run.skipped = run.output.find("[  SKIPPED ]") != std::string::npos;
    run.passed = finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0
        && run.output.find("[  PASSED  ] 1 test") != std::string::npos;
    return run;
}

bool InChild()
{
    return std::getenv("KORVANE_TEST_KEYRING_CHILD") != nullptr;
}

std::string MissingForTheRoundTrip()
{
    for (const char* program : { "dbus-run-session", "dbus-daemon", "gnome-keyring-daemon" }) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
            return std::string(program) + " is not installed";
    }
    return {};
}

// A bus configuration without service activation: only the secret service
// the test starts itself can answer.
std::string WriteBusConfiguration(const TempDir& tmp)
{
    return tmp.Write("bus.conf",
        "<busconfig><type>session</type><listen>unix:dir=" + tmp.Path()
            + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
              "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
              "<allow own=\"*\"/></policy></busconfig>");
}

// A secret service on the session bus whose login keyring is created and
// unlocked with a known password, the way a desktop session has it after
// login. Only the keyring daemon is stopped at the end, never the bus.
class SecretService {
public:
    ~SecretService()
    {
        m_keyring.kill();
        m_keyring.waitForFinished(10000);
    }

    bool Start()
    {
        QDBusConnection connection = QDBusConnection::sessionBus();
        if (!connection.isConnected())
            return false;
        QDBusServiceWatcher watcher(
            QString::fromLatin1(kSecretsName), connection, QDBusServiceWatcher::WatchForRegistration);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
            { QStringLiteral("--foreground"), QStringLiteral("--components=secrets"), QStringLiteral("--unlock") });
        m_keyring.write("keyring test password");
        m_keyring.closeWriteChannel();
        if (!connection.interface()->isServiceRegistered(QString::fromLatin1(kSecretsName)))
            loop.exec();
        return connection.interface()->isServiceRegistered(QString::fromLatin1(kSecretsName));
    }

private:
    QProcess m_keyring;
};

} // namespace

TEST(KeyringPasswordStore, WithoutASessionBusEveryRequestEndsUnreachableWithTheReason)
{
    EnsureTestApplication();
    const ChildRun run = RunChild("DISABLED_UnreachableWithoutASessionBus");
    EXPECT_TRUE(run.passed) << run.output;
}

TEST(KeyringPasswordStore, DISABLED_UnreachableWithoutASessionBus)
{
    if (!InChild())
        GTEST_SKIP() << "runs as a child of the test above";
    EnsureTestApplication();
    TempDir tmp;
    // The scratch home's bus address already leads nowhere; this one too.
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + tmp / "no-bus").c_str(), 1);
    CKeyringPasswordStore store("Korvane test", 20000);
    for (auto operation :
        { CPasswordStore::Operation::Read, CPasswordStore::Operation::Write, CPasswordStore::Operation::Remove }) {
        const PasswordResult result = store.Call(operation, "SMTPPassword", "s3cret");
        EXPECT_EQ(result.status, PasswordResult::Status::Unreachable);
        EXPECT_FALSE(result.reason.empty());
        EXPECT_EQ(result.password, "");
        std::cout << "reason: " << result.reason << "\n";
    }
}

TEST(KeyringPasswordStore, APasswordMakesTheRoundTripThroughARealSecretService)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the secret service is started from a process with threads, which ThreadSanitizer cannot fork "
                    "(the normal and the AddressSanitizer builds run this test)";
#endif
    EnsureTestApplication();
    if (const std::string missing = MissingForTheRoundTrip(); !missing.empty())
        GTEST_SKIP() << "no secret service for this test: " << missing
                     << " (scripts/test.sh installs gnome-keyring and dbus-daemon)";
    TempDir tmp;
    const ChildRun run = RunChild("DISABLED_RoundTripOnTheSessionBus", WriteBusConfiguration(tmp));
    if (run.skipped)
        GTEST_SKIP() << "no secret service for this test:\n" << run.output;
    EXPECT_TRUE(run.passed) << run.output;
}

// On the private bus of the test above, never the desktop's own keyring.
TEST(KeyringPasswordStore, DISABLED_RoundTripOnTheSessionBus)
{
    if (!InChild() || std::getenv("KORVANE_TEST_PRIVATE_BUS") == nullptr)
        GTEST_SKIP() << "runs as a child of the test above, on a bus of its own";
    if (!QLibrary(QStringLiteral("secret-1"), 0).load())
        GTEST_SKIP() << "libsecret-1-0, through which the keyring is reached, is not installed";
    EnsureTestApplication();
    SecretService service;
    if (!service.Start())
        GTEST_SKIP() << "the secret service did not appear on the session bus";

    CKeyringPasswordStore store("Korvane test", 30000);
    using Operation = CPasswordStore::Operation;
    EXPECT_EQ(store.Call(Operation::Read, "SMTPPassword").status, PasswordResult::Status::NotFound);
    const std::string password = "p\xc3\xa4ss w0rd;=\"";
    const PasswordResult written = store.Call(Operation::Write, "SMTPPassword", password);
    ASSERT_TRUE(written.Ok()) << written.reason;
    const PasswordResult read = store.Call(Operation::Read, "SMTPPassword");
    ASSERT_TRUE(read.Ok()) << read.reason;
    EXPECT_EQ(read.password, password);

    EXPECT_TRUE(store.Call(Operation::Remove, "SMTPPassword").Ok());
    EXPECT_EQ(store.Call(Operation::Read, "SMTPPassword").status, PasswordResult::Status::NotFound);
    EXPECT_TRUE(store.Call(Operation::Remove, "SMTPPassword").Ok()) << "removing nothing is no failure";
}
