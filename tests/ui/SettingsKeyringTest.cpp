#include "common/EventualAssert.h"
#include "DialogTestSupport.h"
#include "SmtpTestServer.h"
#include "app/Conversion.h"
#include "app/SettingsStore.h"
#include "app/SettingsTestFiles.h"
#include "common/FakeClock.h"
#include "common/FakePasswordStore.h"
#include "common/TempDir.h"
#include "platform/MyRegistry.h"
#include "ui/KorvaneDlg.h"
#include "ui/SettingsDlg.h"
#include "ui/SettingsSchedulerDlg.h"
#include "ui/UiContext.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

constexpr const char* kKey = "SMTPPassword";
constexpr const char* kBox = "smtpPasswordInKeyring";

void Tick(QWidget& page, const char* name)
{
    QTest::mouseClick(Child<QAbstractButton>(page, name), Qt::LeftButton, {}, QPoint(6, 6));
}

void PressOk(QDialog& dialog)
{
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

std::string FileText()
{
    return TempDir::Read(CMyRegistry::FilePath());
}

bool FileHoldsAPassword()
{
    return FileText().find("SMTPPassword=") != std::string::npos;
}

// "Keep the password in the desktop keyring" on the Scheduler page, with a
// keyring in memory: through the main window's Settings command into the
// settings file, and in the page's connection test.
class SettingsKeyringTest : public ::testing::Test {
protected:
    SettingsKeyringTest()
    {
        WipeSettingsAndRegistrations();
        session.SavedCopy = &saved;
        record.ModulePath = "/opt/korvane/korvane";
        LoadSettings(record);
        record.Scheduler.SMTPServer = "mail.example.org";
        record.Scheduler.SMTPLoginRequired = 1;
        record.Scheduler.SMTPLogin = "backup";
        record.Scheduler.SMTPPassword = "s3cret";
        SaveSettings(record);
        settings.Replace(record);
        context.SetPasswords(&keyring);
    }
    ~SettingsKeyringTest() override { WipeSettingsAndRegistrations(); }

    CKorvaneDlg& Window()
    {
        if (!window) {
            CKorvaneDlg::Services services { [](CRunDisplay&) { return std::unique_ptr<CActionRunner>(); }, clock,
                false, true };
            window = std::make_unique<CKorvaneDlg>(context, services);
            window->show();
        }
        return *window;
    }

    // The Settings command, acting on the Scheduler page.
    void OnSchedulerPage(const std::function<void(CSettingsDlg&, QWidget&)>& act)
    {
        OnDialog<CSettingsDlg> edit([&act](CSettingsDlg& dialog) {
            dialog.SelectPage(CSettingsDlg::Scheduler);
            QApplication::processEvents();
            act(dialog, *dialog.Page(CSettingsDlg::Scheduler));
        });
        Window().Settings();
        ASSERT_EQ(edit.seen, 1);
    }

    SettingsRecord record;
    CSession session;
    CSession saved;
    CSettingsHolder settings { {}, [](const SettingsRecord& r) { SaveSettings(r); } };
    CActionFlags flags;
    CommandLineRequest request;
    ScriptedPrompter prompter;
    FakePasswordStore keyring;
    CUiContext context { session, settings, flags, prompter, request };
    FakeClock clock;
    std::unique_ptr<CKorvaneDlg> window;
};

} // namespace

TEST_F(SettingsKeyringTest, TheBoxSitsBelowThePasswordOffByDefaultAndFollowsTheLogin)
{
    record.Scheduler.SMTPLoginRequired = 0;
    CShellIntegration shell { record.ModulePath };
    CSettingsDlg dialog(record, prompter, shell);
    dialog.show();
    dialog.SelectPage(CSettingsDlg::Scheduler);
    QApplication::processEvents();
    QWidget& page = *dialog.Page(CSettingsDlg::Scheduler);
    auto* box = Child<QCheckBox>(page, kBox);
    auto* password = Child<QLineEdit>(page, "smtpPassword");
    EXPECT_EQ(box->text(), QStringLiteral("Keep the password in the desktop keyring"));
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(box->toolTip().isEmpty());
    EXPECT_TRUE(box->isVisible());
    const QPoint boxAt = box->mapTo(&page, QPoint(0, 0));
    const QPoint passwordAt = password->mapTo(&page, QPoint(0, 0));
    EXPECT_GE(boxAt.y(), passwordAt.y() + password->height());
    EXPECT_EQ(boxAt.x(), passwordAt.x()) << "under the field, not under its label";
    EXPECT_FALSE(box->isEnabled()) << "like the password, only with a login";
    Tick(page, "smtpLoginRequired");
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(password->text(), QStringLiteral("s3cret"));
    EXPECT_TRUE(password->placeholderText().isEmpty());

    Tick(page, kBox);
    PressOk(dialog);
    EXPECT_EQ(dialog.Result().Scheduler.SMTPPasswordInKeyring, 1);
    EXPECT_EQ(dialog.Result().Scheduler.SMTPPassword, "s3cret") << "the keeper moves it, not the page";
}

TEST_F(SettingsKeyringTest, TickingMovesThePasswordIntoTheKeyringAndUntickingBringsItBack)
{
    ASSERT_TRUE(FileHoldsAPassword());
    OnSchedulerPage([](CSettingsDlg& dialog, QWidget& page) {
        Tick(page, kBox);
        PressOk(dialog);
    });
    ASSERT_EVENTUALLY(!FileHoldsAPassword());
    EXPECT_EQ(keyring.Entry(kKey), "s3cret");
    EXPECT_EQ(settings.Get()->Scheduler.SMTPPasswordInKeyring, 1);
    EXPECT_EQ(settings.Get()->Scheduler.SMTPPassword, "");
    EXPECT_NE(FileText().find("SMTPPasswordInKeyring=1"), std::string::npos);
    EXPECT_TRUE(prompter.asked.empty());

    // Opened again: the field is empty and says where the password is; OK
    // without typing keeps the keyring's.
    OnSchedulerPage([](CSettingsDlg& dialog, QWidget& page) {
        auto* password = Child<QLineEdit>(page, "smtpPassword");
        EXPECT_TRUE(Child<QCheckBox>(page, kBox)->isChecked());
        EXPECT_EQ(password->text(), QString());
        EXPECT_EQ(password->placeholderText(), QStringLiteral("Kept in the desktop keyring"));
        PressOk(dialog);
    });
    QApplication::processEvents();
    EXPECT_EQ(keyring.Entry(kKey), "s3cret");
    EXPECT_FALSE(FileHoldsAPassword());

    OnSchedulerPage([](CSettingsDlg& dialog, QWidget& page) {
        Tick(page, kBox);
        EXPECT_EQ(Child<QLineEdit>(page, "smtpPassword")->placeholderText(),
            QStringLiteral("Taken back from the desktop keyring"));
        PressOk(dialog);
    });
    ASSERT_EVENTUALLY(!keyring.Holds(kKey));
    EXPECT_EQ(settings.Get()->Scheduler.SMTPPasswordInKeyring, 0);
    CMyRegistry file;
    file.OpenKey("Software\\Zellik Software\\Korvane\\Settings\\Scheduler");
    EXPECT_EQ(file.ReadString("SMTPPassword", ""), ScramblePassword("s3cret"));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(SettingsKeyringTest, AKeyringThatCannotBeReachedKeepsThePasswordInTheFileAndSaysWhy)
{
    keyring.unreachable = true;
    OnSchedulerPage([](CSettingsDlg& dialog, QWidget& page) {
        Tick(page, kBox);
        PressOk(dialog);
    });
    ASSERT_EVENTUALLY_EQ(prompter.asked.size(), std::size_t { 1 });
    EXPECT_EQ(prompter.asked[0].text,
        "The password could not be stored in the desktop keyring: Cannot autolaunch D-Bus without X11 $DISPLAY\n"
        "It stays in the settings file, and the keyring is not used.");
    EXPECT_EQ(prompter.asked[0].style, MbOk | MbIconError);
    EXPECT_TRUE(FileHoldsAPassword());
    EXPECT_EQ(settings.Get()->Scheduler.SMTPPasswordInKeyring, 0);
    OnSchedulerPage([](CSettingsDlg& dialog, QWidget& page) {
        EXPECT_FALSE(Child<QCheckBox>(page, kBox)->isChecked());
        EXPECT_EQ(Child<QLineEdit>(page, "smtpPassword")->text(), QStringLiteral("s3cret"));
        dialog.reject();
    });
}

TEST_F(SettingsKeyringTest, TheConnectionTestLogsInWithTheKeyringsPasswordOrSaysWhyItCannot)
{
    keyring.entries[kKey] = "from the keyring";
    record.Scheduler.SMTPPasswordInKeyring = 1;
    record.Scheduler.SMTPPassword.clear();
    CShellIntegration shell { record.ModulePath };
    CSettingsDlg dialog(record, prompter, shell);
    dialog.SchedulerPage()->SetPasswordStore(&keyring);
    dialog.show();
    dialog.SelectPage(CSettingsDlg::Scheduler);
    QApplication::processEvents();
    QWidget& page = *dialog.Page(CSettingsDlg::Scheduler);
    const auto aim = [&page](std::uint16_t port) {
        QLineEdit* server = Child<QLineEdit>(page, "smtpServer");
        server->setText(QStringLiteral("127.0.0.1"));
        Child<QLineEdit>(page, "smtpPort")->setText(QString::number(port));
    };
    {
        SmtpTestServer server([](SmtpTestSession& s) {
            s.Send("220 mail.example.org ESMTP\r\n");
            s.ReadLine();
            s.Send("250 AUTH LOGIN\r\n");
            s.ReadLine();
            s.Send("334 VXNlcm5hbWU6\r\n");
            s.ReadLine();
            s.Send("334 UGFzc3dvcmQ6\r\n");
            s.ReadLine();
            s.Send("235 ok\r\n");
            s.ReadLine();
            s.Send("221 bye\r\n");
        });
        aim(server.Port());
        QTest::mouseClick(Child<QPushButton>(page, "smtpCheck"), Qt::LeftButton);
        ASSERT_EVENTUALLY_EQ_WITHIN(prompter.asked.size(), std::size_t { 1 }, 15000);
        server.Join();
        ASSERT_EQ(server.Lines().size(), 5u);
        EXPECT_EQ(server.Lines()[3], QByteArray("from the keyring").toBase64().toStdString());
        EXPECT_EQ(prompter.asked[0].style, MbOk | MbIconInformation);
    }

    prompter.asked.clear();
    keyring.unreachable = true;
    CTcpSocket listener;
    ASSERT_TRUE(listener.Listen("127.0.0.1", 0));
    aim(listener.LocalPort());
    QTest::mouseClick(Child<QPushButton>(page, "smtpCheck"), Qt::LeftButton);
    ASSERT_EVENTUALLY_EQ_WITHIN(prompter.asked.size(), std::size_t { 1 }, 15000);
    EXPECT_EQ(prompter.asked[0].text,
        "Failed to connect to SMTP server (127.0.0.1:" + std::to_string(listener.LocalPort())
            + ").\n\nthe password is kept in the desktop keyring, which cannot be reached: Cannot autolaunch D-Bus "
              "without X11 $DISPLAY");
    CTcpSocket client;
    EXPECT_FALSE(listener.Accept(client, 0)) << "no connection without the password";

    // A password typed in the field is the one tested; the keyring is not asked.
    prompter.asked.clear();
    listener.Close();
    const int asked = keyring.requests;
    Child<QLineEdit>(page, "smtpPassword")->setText(QStringLiteral("typed"));
    QTest::mouseClick(Child<QPushButton>(page, "smtpCheck"), Qt::LeftButton);
    ASSERT_EVENTUALLY_EQ_WITHIN(prompter.asked.size(), std::size_t { 1 }, 15000);
    EXPECT_EQ(keyring.requests, asked);
    dialog.reject();
}
