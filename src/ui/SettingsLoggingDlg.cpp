#include "ui/SettingsLoggingDlg.h"

#include "core/Prompter.h"
#include "log/ActivityLog.h"
#include "platform/FileIo.h"
#include "ui/UiText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSettingsLoggingDlg::CSettingsLoggingDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent)
    : CSettingsPage(settings, prompter, parent)
{
    setObjectName(QStringLiteral("SettingsLoggingDlg"));
    m_activate
        = AddCheck(1387, "Activate log file", Field(&SettingsRecord::GeneralSettings::LogActivate), "logActivate");
    m_nameLabel = new QLabel(QStringLiteral("File name"), this);
    m_nameLabel->setObjectName(QStringLiteral("logFileNameLabel"));
    m_fileName = new QLineEdit(ToQ(Settings().General.LogFileName), this);
    m_fileName->setObjectName(QStringLiteral("logFileName"));
    // An empty name writes the default log, and says which it is.
    m_fileName->setPlaceholderText(ToQ(CActivityLog::EffectiveFileName({})));
    m_nameLabel->setBuddy(m_fileName);
    TipFromTable(m_fileName, 1388);
    m_browse = AddButton("Browse...", "logBrowse");
    TipFromTable(m_browse, 1389);

    auto* row = new QHBoxLayout;
    row->addWidget(m_fileName, 1);
    row->addWidget(m_browse);
    Column()->addSpacing(Dy(6));
    Column()->addWidget(m_nameLabel);
    Column()->addLayout(row);
    m_hint = new QLabel(ToQ(LoadString(57758)), this);
    m_hint->setObjectName(QStringLiteral("logHint"));
    m_hint->setWordWrap(true);
    Column()->addSpacing(Dy(8));
    Column()->addWidget(m_hint);
    FinishColumn();

    UpdateEnabling();
    connect(m_activate, &QCheckBox::toggled, this, &CSettingsLoggingDlg::UpdateEnabling);
    connect(m_browse, &QPushButton::clicked, this, &CSettingsLoggingDlg::Browse);
}

void CSettingsLoggingDlg::UpdateEnabling()
{
    const bool on = m_activate->isChecked();
    for (QWidget* control :
        { static_cast<QWidget*>(m_nameLabel), static_cast<QWidget*>(m_fileName), static_cast<QWidget*>(m_browse) })
        control->setEnabled(on);
}

void CSettingsLoggingDlg::Browse()
{
    const FileDialogRequest request { "Create/Open Log File", "Log Files (*.log)", "log", true, false };
    std::string path;
    if (!Prompter().AskFileName(request, path) || path.empty())
        return;
    // The log is appended to, so a file that cannot be written is no use.
    if (FileIo::IsReadOnlyFile(path)) {
        Prompter().MessageBox(FormatString(LoadString(57685).c_str(), path.c_str()), MbOk | MbIconError);
        return;
    }
    m_fileName->setText(ToQ(path));
}

bool CSettingsLoggingDlg::OnOK(SettingsRecord& settings)
{
    if (!CSettingsPage::OnOK(settings))
        return false;
    // Blanks alone name no file: the default log is written instead.
    const QString name = m_fileName->text();
    settings.General.LogFileName = name.trimmed().isEmpty() ? std::string() : FromQ(name);
    return true;
}
