#include "ui/SettingsSchedulerDlg.h"

#include "core/Prompter.h"
#include "scheduler/MailOptions.h"
#include "ui/GeneralProgress.h"
#include "ui/TabOrder.h"
#include "ui/UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

// The login methods in the order of the list, as SMTPLoginMethod values.
constexpr std::int32_t kMethods[] = { 2, 3, 1 };
constexpr int kDefaultMethodIndex = 0;

int MethodIndex(std::int32_t method)
{
    for (int i = 0; i < static_cast<int>(std::size(kMethods)); ++i) {
        if (kMethods[i] == method)
            return i;
    }
    return kDefaultMethodIndex;
}

QLineEdit* TextField(QWidget* parent, const char* name, const QString& text)
{
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QLatin1String(name));
    return field;
}

QLabel* Label(QWidget* parent, const char* text, QWidget* buddy)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CSettingsSchedulerDlg::CSettingsSchedulerDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent)
    : CSettingsPage(settings, prompter, parent)
{
    setObjectName(QStringLiteral("SettingsSchedulerDlg"));
    m_activate = new QCheckBox(QStringLiteral("Activate scheduler"), this);
    m_activate->setObjectName(QStringLiteral("schedulerActive"));
    m_activate->setChecked(Settings().SchedulerActive);
    TipFromTable(m_activate, 1402);
    Column()->addWidget(m_activate);
    QCheckBox* notify = AddCheck(0, "Notify the desktop when a scheduled event succeeds",
        Field(&SettingsRecord::SchedulerSettings::NotifySuccess), "notifySuccess");
    SetTooltip(notify,
        QStringLiteral("A failed scheduled event is always told in a desktop notification (or the tray's balloon). "
                       "With this box checked, a scheduled event that succeeds is told too."));
    Column()->addSpacing(Dy(6));
    Column()->addWidget(BuildSmtpGroup());
    FinishColumn();
    UpdateEnabling();
}

QWidget* CSettingsSchedulerDlg::BuildSmtpGroup()
{
    const SettingsRecord::SchedulerSettings& mail = Settings().Scheduler;
    auto* group = new QGroupBox(QStringLiteral("SMTP Settings"), this);
    m_server = TextField(group, "smtpServer", ToQ(mail.SMTPServer));
    TipFromTable(m_server, 1107);
    m_port = TextField(group, "smtpPort", QString::number(mail.SMTPPort));
    m_port->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_port));
    m_port->setMaximumWidth(Dx(60));
    TipFromTable(m_port, 1108);
    m_security = new QComboBox(group);
    m_security->setObjectName(QStringLiteral("smtpSecurity"));
    m_security->addItems({ QStringLiteral("None"), QStringLiteral("STARTTLS"), QStringLiteral("TLS") });
    m_shownSecurity = mail.SMTPSecurity >= 0 && mail.SMTPSecurity <= 2 ? mail.SMTPSecurity : 0;
    m_security->setCurrentIndex(m_shownSecurity);
    SetTooltip(m_security,
        QStringLiteral("How the connection to the SMTP server is protected: not at all, by STARTTLS after the "
                       "greeting, or by TLS from the first byte (usually port 465)."));
    m_checkButton = AddButton("Check...", "smtpCheck");
    m_checkButton->setParent(group);
    TipFromTable(m_checkButton, 1263);

    m_loginRequired = new QCheckBox(QStringLiteral("Login required"), group);
    m_loginRequired->setObjectName(QStringLiteral("smtpLoginRequired"));
    m_loginRequired->setChecked(mail.SMTPLoginRequired != 0);
    TipFromTable(m_loginRequired, 1258);
    m_method = new QComboBox(group);
    m_method->setObjectName(QStringLiteral("smtpLoginMethod"));
    m_method->addItems(
        { QStringLiteral("AUTH LOGIN"), QStringLiteral("AUTH LOGIN PLAIN"), QStringLiteral("CRAM-MD5") });
    m_method->setCurrentIndex(MethodIndex(mail.SMTPLoginMethod));
    SetTooltip(m_method, QStringLiteral("How Korvane logs in to the SMTP server."));
    m_methodLabel = Label(group, "Method", m_method);
    m_login = TextField(group, "smtpLogin", ToQ(mail.SMTPLogin));
    TipFromTable(m_login, 1259);
    m_loginLabel = Label(group, "Login", m_login);
    m_password = TextField(group, "smtpPassword", ToQ(mail.SMTPPassword));
    m_password->setEchoMode(QLineEdit::Password);
    TipFromTable(m_password, 1260);
    m_passwordLabel = Label(group, "Password", m_password);
    m_keepInKeyring = new QCheckBox(QStringLiteral("Keep the password in the desktop keyring"), group);
    m_keepInKeyring->setObjectName(QStringLiteral("smtpPasswordInKeyring"));
    m_inKeyring = mail.SMTPPasswordInKeyring != 0;
    m_keepInKeyring->setChecked(m_inKeyring);
    SetTooltip(m_keepInKeyring,
        QStringLiteral("Keeps the password in the desktop's keyring instead of the settings file, where it is only "
                       "scrambled. Where the keyring cannot be reached (no desktop session, a locked keyring) the "
                       "summary e-mail is not sent."));

    auto* grid = new QGridLayout(group);
    grid->addWidget(Label(group, "Server", m_server), 0, 0);
    grid->addWidget(m_server, 0, 1, 1, 4);
    grid->addWidget(Label(group, "Port", m_port), 1, 0);
    grid->addWidget(m_port, 1, 1);
    grid->addWidget(Label(group, "Security", m_security), 1, 2, Qt::AlignRight);
    grid->addWidget(m_security, 1, 3);
    grid->addWidget(m_checkButton, 1, 4);
    grid->addWidget(m_loginRequired, 2, 0, 1, 2);
    grid->addWidget(m_methodLabel, 2, 2, Qt::AlignRight);
    grid->addWidget(m_method, 2, 3, 1, 2);
    grid->addWidget(m_loginLabel, 3, 0);
    grid->addWidget(m_login, 3, 1, 1, 4);
    grid->addWidget(m_passwordLabel, 4, 0);
    grid->addWidget(m_password, 4, 1, 1, 4);
    grid->setColumnStretch(3, 1);
    grid->addWidget(m_keepInKeyring, 5, 1, 1, 4);
    m_loginGrid = grid;
    m_rowBelowPassword = 6;

    SetTabOrder({ m_activate, m_server, m_port, m_security, m_checkButton, m_loginRequired, m_method, m_login,
        m_password, m_keepInKeyring });
    ShowWhereThePasswordIs();
    connect(m_loginRequired, &QCheckBox::toggled, this, &CSettingsSchedulerDlg::UpdateEnabling);
    connect(m_keepInKeyring, &QCheckBox::toggled, this, &CSettingsSchedulerDlg::ShowWhereThePasswordIs);
    connect(m_security, &QComboBox::currentIndexChanged, this, &CSettingsSchedulerDlg::OnSecurityChanged);
    connect(m_checkButton, &QPushButton::clicked, this, &CSettingsSchedulerDlg::CheckConnection);
    return group;
}

int CSettingsSchedulerDlg::DefaultPort(int security)
{
    switch (security) {
    case 1:
        return 587;
    case 2:
        return 465;
    default:
        return 25;
    }
}

void CSettingsSchedulerDlg::UpdateEnabling()
{
    const bool on = m_loginRequired->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*> {
             m_methodLabel, m_method, m_loginLabel, m_login, m_passwordLabel, m_password, m_keepInKeyring })
        control->setEnabled(on);
}

// While the keyring holds the password the field starts empty: what is
// typed there replaces the keyring's password, an empty field keeps it.
void CSettingsSchedulerDlg::ShowWhereThePasswordIs()
{
    if (!m_inKeyring)
        return;
    m_password->setPlaceholderText(m_keepInKeyring->isChecked()
            ? QStringLiteral("Kept in the desktop keyring")
            : QStringLiteral("Taken back from the desktop keyring"));
}

// A port still at the usual one of the previous choice follows the new
// choice; a port the user chose stays.
void CSettingsSchedulerDlg::OnSecurityChanged(int index)
{
    if (m_port->text().trimmed() == QString::number(DefaultPort(m_shownSecurity)))
        m_port->setText(QString::number(DefaultPort(index)));
    m_shownSecurity = index;
}

bool CSettingsSchedulerDlg::ReadMailFields(SettingsRecord::SchedulerSettings& mail)
{
    // Spaces around a host name are never part of it.
    mail.SMTPServer = FromQ(m_server->text().trimmed());
    if (!ReadNumber(m_port, 1, 65535, mail.SMTPPort))
        return false;
    mail.SMTPSecurity = m_security->currentIndex();
    mail.SMTPLoginRequired = m_loginRequired->isChecked() ? 1 : 0;
    mail.SMTPLoginMethod = kMethods[std::max(0, m_method->currentIndex())];
    mail.SMTPLogin = FromQ(m_login->text());
    mail.SMTPPassword = FromQ(m_password->text());
    mail.SMTPPasswordInKeyring = m_keepInKeyring->isChecked() ? 1 : 0;
    return true;
}

SmtpOptions CSettingsSchedulerDlg::CheckOptions(const SettingsRecord::SchedulerSettings& mail) const
{
    SmtpOptions options = MailOptionsFromSettings(mail);
    if (!m_inKeyring || !mail.SMTPPassword.empty())
        options.PasswordKey.clear();
    else
        options.PasswordKey = SettingsRecord::kSmtpPasswordKey;
    return options;
}

bool CSettingsSchedulerDlg::OnOK(SettingsRecord& settings)
{
    if (!CSettingsPage::OnOK(settings))
        return false;
    settings.SchedulerActive = m_activate->isChecked();
    return ReadMailFields(settings.Scheduler);
}

void CSettingsSchedulerDlg::CheckConnection()
{
    if (CheckRunning())
        return;
    SettingsRecord::SchedulerSettings mail = Settings().Scheduler;
    if (!ReadMailFields(mail))
        return;
    const std::string server = mail.SMTPServer;
    const int port = mail.SMTPPort;
    m_check = CSmtpCheck::Start(CheckOptions(mail), m_makeConnection, m_passwords);
    auto* wait = new CGeneralProgress(
        LoadQString(57765), [check = m_check] { return !check->Done(); }, window(), this);
    wait->setObjectName(QStringLiteral("smtpCheckWait"));
    // Cancel leaves the test to end on its own; its answer is not shown.
    wait->Start([this, check = m_check, server, port](bool ended) {
        if (ended)
            ShowCheckResult(check->TakeResult(), server, port);
    });
}

void CSettingsSchedulerDlg::ShowCheckResult(const CSmtpCheck::Result& result, const std::string& server, int port)
{
    if (result.outcome == CSmtpCheck::Connected) {
        Prompter().MessageBox(FormatString(LoadString(57760).c_str(), server.c_str(), port), MbOk | MbIconInformation);
        return;
    }
    const int id = result.outcome == CSmtpCheck::DisconnectFailed ? 57761 : 57762;
    std::string text = FormatString(LoadString(id).c_str(), server.c_str(), port);
    if (!result.reason.empty())
        text += "\n\n" + result.reason;
    Prompter().MessageBox(text, MbOk | MbIconError);
}
