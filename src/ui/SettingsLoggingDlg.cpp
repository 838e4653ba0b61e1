#include "ui/SettingsLoggingDlg.h"

#include "core/Prompter.h"
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
    settings.General.LogFileName = FromQ(m_fileName->text());
    // An active log without a file would fail at every action.
    if (settings.General.LogActivate && m_fileName->text().trimmed().isEmpty()) {
        Refuse(LoadString(57764), m_fileName);
        return false;
    }
    return true;
}
