#pragma once

#include "mail/SmtpCheck.h"
#include "ui/SettingsPage.h"

#include <memory>

class CPasswordStore;
class QComboBox;
class QGridLayout;
class QLabel;

// The Scheduler page: whether the scheduler is active, and the SMTP server
// of the summary mail with its security, login and a connection test that
// runs on its own thread while a waiting window holds the dialog.
class CSettingsSchedulerDlg : public CSettingsPage {
    Q_OBJECT

public:
    CSettingsSchedulerDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent = nullptr);

    bool OnOK(SettingsRecord& settings) override;

    // Check...: tests the server with the page's current fields.
    void CheckConnection();
    // The connection the test uses (tests give it trusted certificates).
    void SetConnectionFactory(CSmtpCheck::ConnectionFactory factory) { m_makeConnection = std::move(factory); }
    bool CheckRunning() const { return m_check && !m_check->Done(); }
    // Where the test reads the password that the desktop keyring keeps.
    void SetPasswordStore(CPasswordStore* passwords) { m_passwords = passwords; }

    // The rows below the password, for choices about where it is kept.
    QGridLayout* LoginGrid() const { return m_loginGrid; }
    int RowBelowPassword() const { return m_rowBelowPassword; }

    // The port each security choice usually uses (25, 587, 465).
    static int DefaultPort(int security);

private:
    QWidget* BuildSmtpGroup();
    void UpdateEnabling();
    void ShowWhereThePasswordIs();
    // The test's options: the keyring's password unless one was typed.
    SmtpOptions CheckOptions(const SettingsRecord::SchedulerSettings& mail) const;
    void OnSecurityChanged(int index);
    // The mail fields as they are now; false (after the message) when the
    // port is refused.
    bool ReadMailFields(SettingsRecord::SchedulerSettings& mail);
    void ShowCheckResult(const CSmtpCheck::Result& result, const std::string& server, int port);

    QCheckBox* m_activate = nullptr;
    QLineEdit* m_server = nullptr;
    QLineEdit* m_port = nullptr;
    QComboBox* m_security = nullptr;
    QPushButton* m_checkButton = nullptr;
    QCheckBox* m_loginRequired = nullptr;
    QLabel* m_methodLabel = nullptr;
    QComboBox* m_method = nullptr;
    QLabel* m_loginLabel = nullptr;
    QLineEdit* m_login = nullptr;
    QLabel* m_passwordLabel = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_keepInKeyring = nullptr;
    // The keyring held the password when the page opened.
    bool m_inKeyring = false;
    CPasswordStore* m_passwords = nullptr;
    QGridLayout* m_loginGrid = nullptr;
    int m_rowBelowPassword = 0;
    int m_shownSecurity = 0;
    CSmtpCheck::ConnectionFactory m_makeConnection;
    std::shared_ptr<CSmtpCheck> m_check;
};
