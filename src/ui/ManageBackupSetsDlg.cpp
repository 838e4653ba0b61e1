#include "ui/ManageBackupSetsDlg.h"

#include "core/Prompter.h"
#include "engine/VersionList.h"
#include "platform/Clock.h"
#include "ui/Icons.h"
#include "ui/MyListCtrl.h"
#include "ui/NewBackupSetDlg.h"
#include "ui/UiText.h"
#include "ui/VersionSettingsDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

CManageBackupSetsDlg::CManageBackupSetsDlg(std::deque<CSet> sets, bool gridlines, CPrompter& prompter, QWidget* parent)
    : CMyDialog(parent)
    , m_prompter(prompter)
    , m_sets(std::move(sets))
{
    setObjectName(QStringLiteral("ManageBackupSetsDlg"));
    setWindowTitle(QStringLiteral("Manage Backup Sets"));

    m_list = new CMyListCtrl(this);
    m_list->setObjectName(QStringLiteral("sets"));
    m_list->AddColumn(QStringLiteral("Sets"), 0, CMyListCtrl::Other);
    m_list->SetImageList({ CIcons::Own(QStringLiteral("set")), CIcons::Own(QStringLiteral("set-scheduled")) });
    m_list->SetGridLines(gridlines);
    m_list->horizontalHeader()->setSectionsClickable(false);
    m_list->horizontalHeader()->setSectionsMovable(false);
    m_list->horizontalHeader()->setStretchLastSection(true);
    // One column: nothing to show or hide.
    m_list->horizontalHeader()->setContextMenuPolicy(Qt::NoContextMenu);
    m_list->setMinimumSize(m_list->fontMetrics().averageCharWidth() * 40, m_list->fontMetrics().height() * 12);

    m_new = new QPushButton(QStringLiteral("New..."), this);
    m_duplicate = new QPushButton(QStringLiteral("Duplicate..."), this);
    m_rename = new QPushButton(QStringLiteral("Rename..."), this);
    m_delete = new QPushButton(QStringLiteral("Delete..."), this);
    m_versions = new QPushButton(QStringLiteral("Versions..."), this);
    m_new->setObjectName(QStringLiteral("new"));
    m_duplicate->setObjectName(QStringLiteral("duplicate"));
    m_rename->setObjectName(QStringLiteral("rename"));
    m_delete->setObjectName(QStringLiteral("delete"));
    m_versions->setObjectName(QStringLiteral("versions"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);

    // Enter confirms the dialog: a command button keeps the focus after its
    // dialog has closed, and as the default it would open that dialog again.
    auto* side = new QVBoxLayout;
    for (QPushButton* button : { m_new, m_duplicate, m_rename, m_delete, m_versions }) {
        button->setAutoDefault(false);
        side->addWidget(button);
    }
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    side->addStretch(1);
    side->addWidget(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(side);

    connect(buttons, &QDialogButtonBox::accepted, this, &CManageBackupSetsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CManageBackupSetsDlg::reject);
    connect(m_new, &QPushButton::clicked, this, [this] { AskName(Command::New); });
    connect(m_duplicate, &QPushButton::clicked, this, [this] { AskName(Command::Duplicate); });
    connect(m_rename, &QPushButton::clicked, this, [this] { AskName(Command::Rename); });
    connect(m_delete, &QPushButton::clicked, this, &CManageBackupSetsDlg::Delete);
    connect(m_versions, &QPushButton::clicked, this, &CManageBackupSetsDlg::EditVersions);
    connect(m_list, &QTableWidget::itemSelectionChanged, this, &CManageBackupSetsDlg::UpdateButtons);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this] { AskName(Command::Rename); });
    m_list->installEventFilter(this);

    Fill(m_sets.empty() ? -1 : 0);
    adjustSize();
    SetUpDialog();
}

bool CManageBackupSetsDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        Delete();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CManageBackupSetsDlg::Fill(int selectRow)
{
    m_list->setRowCount(0);
    for (const CSet& set : m_sets) {
        const int row = m_list->AddRow(ToQ(set.Name), set.Schedule.Active != 0 ? 1 : 0);
        m_list->item(row, 0)->setToolTip(PlainTip(ToQ(set.Name)));
    }
    m_list->setEnabled(!m_sets.empty());
    if (selectRow >= 0 && selectRow < m_list->rowCount())
        m_list->SelectRow(selectRow);
    else
        m_list->clearSelection();
    UpdateButtons();
}

int CManageBackupSetsDlg::SelectedRow() const
{
    return m_list->SelectedRow();
}

void CManageBackupSetsDlg::UpdateButtons()
{
    const bool selected = SelectedRow() >= 0;
    m_duplicate->setEnabled(selected);
    m_rename->setEnabled(selected);
    m_delete->setEnabled(selected);
    m_versions->setEnabled(selected);
}

void CManageBackupSetsDlg::AskName(Command command)
{
    const int row = SelectedRow();
    if (command != Command::New && row < 0)
        return;
    QString caption = QStringLiteral("New Backup Set");
    std::string name;
    if (command == Command::Duplicate) {
        caption = QStringLiteral("Duplicate Backup Set");
        name = m_sets[static_cast<std::size_t>(row)].Name + " [Copy]";
    } else if (command == Command::Rename) {
        caption = QStringLiteral("Rename Backup Set");
        name = m_sets[static_cast<std::size_t>(row)].Name;
    }
    // Opened window-modal rather than in a nested event loop: the name
    // dialog reports back through finished().
    const std::vector<std::string> taken = NamesBesides(command == Command::Rename ? row : -1);
    auto* dialog = new CNewBackupSetDlg(caption, name, true, taken, m_prompter, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(
        dialog, &QDialog::accepted, this, [this, dialog, command, row] { NameChosen(command, row, dialog->Name()); });
    dialog->open();
}

std::vector<std::string> CManageBackupSetsDlg::NamesBesides(int row) const
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < m_sets.size(); ++i) {
        if (static_cast<int>(i) != row)
            names.push_back(m_sets[i].Name);
    }
    return names;
}

void CManageBackupSetsDlg::NameChosen(Command command, int row, const std::string& name)
{
    if (command == Command::Rename) {
        m_sets[static_cast<std::size_t>(row)].Name = name;
        Fill(row);
        return;
    }
    if (command == Command::Duplicate)
        m_sets.push_back(m_sets[static_cast<std::size_t>(row)]);
    else
        m_sets.emplace_back();
    m_sets.back().Name = name;
    m_newSetRow = static_cast<int>(m_sets.size()) - 1;
    Fill(m_newSetRow);
    m_list->setFocus();
}

void CManageBackupSetsDlg::Delete()
{
    const int row = SelectedRow();
    if (row < 0 || m_prompter.MessageBox(LoadString(57689), MbOkCancel | MbIconQuestion) != IdOk)
        return;
    m_sets.erase(m_sets.begin() + row);
    if (row == m_newSetRow)
        m_newSetRow = -1;
    else if (row < m_newSetRow)
        --m_newSetRow;
    Fill(std::min(row, static_cast<int>(m_sets.size()) - 1));
}

void CManageBackupSetsDlg::EditVersions()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    // Window-modal like the name dialog; the row cannot change meanwhile.
    const CSet& set = m_sets[static_cast<std::size_t>(row)];
    auto* dialog
        = new CVersionSettingsDlg(set.Versions, CVersionList::AreaFoldersOf(set.Entries, CClock::System().Now()), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
        [this, dialog, row] { m_sets[static_cast<std::size_t>(row)].Versions = dialog->Settings(); });
    dialog->open();
}

void CManageBackupSetsDlg::accept()
{
    if (m_sets.empty()) {
        m_prompter.MessageBox(LoadString(57691), MbOk | MbIconError);
        return;
    }
    QDialog::accept();
}
