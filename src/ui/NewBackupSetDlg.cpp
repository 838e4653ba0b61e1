#include "ui/NewBackupSetDlg.h"

#include "core/Prompter.h"
#include "ui/UiText.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

CNewBackupSetDlg::CNewBackupSetDlg(const QString& caption, const std::string& name, bool checkName,
    std::vector<std::string> takenNames, CPrompter& prompter, QWidget* parent)
    : CMyDialog(parent)
    , m_prompter(prompter)
    , m_checkName(checkName)
    , m_takenNames(std::move(takenNames))
{
    setObjectName(QStringLiteral("NewBackupSetDlg"));
    setWindowTitle(caption);
    auto* group = new QGroupBox(QStringLiteral("Name"), this);
    m_edit = new QLineEdit(ToQ(name), group);
    m_edit->setObjectName(QStringLiteral("name"));
    m_edit->setMinimumWidth(m_edit->fontMetrics().averageCharWidth() * 40);
    m_edit->selectAll();
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_edit);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNewBackupSetDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNewBackupSetDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    adjustSize();
    SetUpDialog();
}

void CNewBackupSetDlg::accept()
{
    const std::string name = FromQ(m_edit->text().trimmed());
    if (name.empty()) {
        m_prompter.MessageBox(LoadString(57690), MbOk | MbIconError);
        return;
    }
    const QString typed = ToQ(name);
    const auto taken
        = [&typed](const std::string& other) { return QString::compare(typed, ToQ(other), Qt::CaseInsensitive) == 0; };
    if (m_checkName && std::any_of(m_takenNames.begin(), m_takenNames.end(), taken)) {
        m_prompter.MessageBox(LoadString(57720), MbOk | MbIconError);
        return;
    }
    m_name = name;
    QDialog::accept();
}
