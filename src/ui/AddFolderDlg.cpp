#include "ui/AddFolderDlg.h"

#include "core/Prompter.h"
#include "core/Set.h"
#include "platform/Clock.h"
#include "platform/FileOps.h"
#include "scan/PathFormat.h"
#include "ui/ComboHistory.h"
#include "ui/FolderBrowser.h"
#include "ui/FolderEntryCheck.h"
#include "ui/LayoutHelper.h"
#include "ui/MyComboBox.h"
#include "ui/TabOrder.h"
#include "ui/UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Settings keys and value prefixes of the five histories, in the order of
// CAddFolderDlg::Texts.
struct HistoryKey {
    const char* key;
    const char* prefix;
};
constexpr HistoryKey kHistories[] = {
    { "Settings\\Add Folder\\Source", "Source" },
    { "Settings\\Add Folder\\Destination", "Destination" },
    { "Settings\\Add Folder\\ExcludeFolders", "ExcludeFolders" },
    { "Settings\\Add Folder\\Include", "Include" },
    { "Settings\\Add Folder\\Exclude", "Exclude" },
};

const char* const kTags[] = { "<COMPUTER>", "<USER>", "<YEAR>", "<MONTH>", "<MONTHNAME>", "<DAY>", "<WEEKDAY>",
    "<WEEKNUMBER>", "<HOUR12>", "<HOUR24>", "<AMPM>", "<MINUTE>", "<PROFILE>", "<USERPROFILE>" };

CMyComboBox* HistoryCombo(QWidget* parent, const char* name)
{
    auto* combo = new CMyComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(true);
    // Typed values join the history only when OK accepts them.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(36);
    return combo;
}

QComboBox* TagCombo(QWidget* parent, const char* name)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItem(QStringLiteral("Add Tag"));
    for (const char* tag : kTags)
        combo->addItem(QLatin1String(tag));
    return combo;
}

QPushButton* Button(QWidget* parent, const QString& text, const char* name)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

CAddFolderDlg::CAddFolderDlg(const CSet& set, int entryIndex, bool edit, CPrompter& prompter, QWidget* parent)
    : CMyDialog(parent)
    , m_prompter(prompter)
    , m_clock(&CClock::System())
    , m_edit(edit)
    , m_entryIndex(edit ? entryIndex : -1)
{
    setObjectName(QStringLiteral("AddFolderDlg"));
    setWindowTitle(edit ? QStringLiteral("Edit Folder") : QStringLiteral("Add Folder"));
    setAcceptDrops(true);
    BuildLayout();
    LoadHistories();

    const bool editing = edit && entryIndex >= 0 && entryIndex < static_cast<int>(set.Entries.size());
    for (std::size_t i = 0; i < set.Entries.size(); ++i) {
        if (!editing || static_cast<int>(i) != entryIndex)
            m_otherSources.push_back(set.Entries[i].SourceFolder);
    }
    if (editing) {
        const CBackup& entry = set.Entries[static_cast<std::size_t>(entryIndex)];
        ShowTexts({ entry.SourceFolder, entry.DestinationFolder, entry.ExcludeFolders, entry.IncludeFiles,
            entry.ExcludeFiles });
        m_recursive->setChecked(entry.Recursive != 0);
    } else {
        ShowTexts({ {}, set.LastDestinationFolder, {}, {}, {} });
        m_recursive->setChecked(true);
    }
    adjustSize();
    SetUpDialog();
    // Long paths need room: the window widens and its fields with it, from
    // the size it opens at; more height would only spread the groups apart.
    Layout()->Enable(true);
    setMaximumHeight(height());
}

CAddFolderDlg::~CAddFolderDlg() = default;

void CAddFolderDlg::BuildLayout()
{
    m_source = HistoryCombo(this, "source");
    m_recursive = new QCheckBox(QStringLiteral("Recursive (include sub-folders)"), this);
    m_recursive->setObjectName(QStringLiteral("recursive"));
    m_sourceTag = TagCombo(this, "sourceTag");
    m_sourceBrowse = Button(this, QStringLiteral("Browse..."), "sourceBrowse");
    m_backup = HistoryCombo(this, "backup");
    m_changeAll = new QCheckBox(QStringLiteral("Change all previously added entries"), this);
    m_changeAll->setObjectName(QStringLiteral("changeAll"));
    m_backupTag = TagCombo(this, "backupTag");
    m_backupBrowse = Button(this, QStringLiteral("Browse..."), "backupBrowse");
    m_excludeFolders = HistoryCombo(this, "excludeFolders");
    m_includeFiles = HistoryCombo(this, "includeFiles");
    m_excludeFiles = HistoryCombo(this, "excludeFiles");

    auto folderGroup
        = [this](const QString& title, QComboBox* combo, QPushButton* browse, QCheckBox* check, QComboBox* tags) {
              auto* group = new QGroupBox(title, this);
              auto* grid = new QGridLayout(group);
              grid->addWidget(combo, 0, 0);
              grid->addWidget(browse, 0, 1);
              grid->addWidget(check, 1, 0);
              grid->addWidget(tags, 1, 1);
              grid->setColumnStretch(0, 1);
              return group;
          };
    auto* masks = new QGroupBox(QStringLiteral("Filters"), this);
    auto* maskGrid = new QGridLayout(masks);
    const std::pair<QString, QComboBox*> rows[] = { { QStringLiteral("Exclude Folders"), m_excludeFolders },
        { QStringLiteral("Include Files"), m_includeFiles }, { QStringLiteral("Exclude Files"), m_excludeFiles } };
    int row = 0;
    for (const auto& [text, combo] : rows) {
        auto* label = new QLabel(text, masks);
        label->setBuddy(combo);
        maskGrid->addWidget(label, row, 0);
        maskGrid->addWidget(combo, row++, 1);
    }
    maskGrid->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddFolderDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAddFolderDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folderGroup(QStringLiteral("Source Folder"), m_source, m_sourceBrowse, m_recursive, m_sourceTag));
    layout->addWidget(folderGroup(QStringLiteral("Backup Folder"), m_backup, m_backupBrowse, m_changeAll, m_backupTag));
    layout->addWidget(masks);
    layout->addWidget(buttons);

    SetTabOrder({ m_source, m_sourceBrowse, m_recursive, m_sourceTag, m_backup, m_backupBrowse, m_changeAll,
        m_backupTag, m_excludeFolders, m_includeFiles, m_excludeFiles, buttons->button(QDialogButtonBox::Ok),
        buttons->button(QDialogButtonBox::Cancel) });

    const QString maskTip = QStringLiteral("Masks separated by semicolons, such as *.doc; *.txt; ? stands for one "
                                           "character, * for any number");
    SetTooltip(m_excludeFolders, QStringLiteral("Folders to leave out. ") + maskTip);
    SetTooltip(m_includeFiles, QStringLiteral("Files to back up; empty means all files (*.*). ") + maskTip);
    SetTooltip(m_excludeFiles, QStringLiteral("Files to leave out. ") + maskTip);
    for (QComboBox* tags : { m_sourceTag, m_backupTag })
        SetTooltip(tags,
            QStringLiteral(
                "Appends a tag that is replaced when the folder is used, such as the year or the user name"));
    SetTooltip(m_changeAll, QStringLiteral("Gives every entry of the set this backup folder"));

    connect(m_sourceBrowse, &QPushButton::clicked, this, [this] {
        Browse(m_source, QStringLiteral("Select Source Folder"), QStringLiteral("Select the folder to backup"));
    });
    connect(m_backupBrowse, &QPushButton::clicked, this, [this] {
        Browse(m_backup, QStringLiteral("Select Backup Folder"),
            QStringLiteral("Select the folder where the backup will be created"));
    });
    connect(m_sourceTag, &QComboBox::activated, this, [this](int index) { AddTag(m_source, m_sourceTag, index); });
    connect(m_backupTag, &QComboBox::activated, this, [this](int index) { AddTag(m_backup, m_backupTag, index); });
}

void CAddFolderDlg::LoadHistories()
{
    CMyComboBox* combos[] = { m_source, m_backup, m_excludeFolders, m_includeFiles, m_excludeFiles };
    for (std::size_t i = 0; i < std::size(combos); ++i) {
        combos[i]->LoadHistory(kHistories[i].prefix, kHistories[i].key);
        combos[i]->FitDropDownWidth();
    }
}

void CAddFolderDlg::SaveHistories(const Texts& texts)
{
    CMyComboBox* combos[] = { m_source, m_backup, m_excludeFolders, m_includeFiles, m_excludeFiles };
    const std::string* values[]
        = { &texts.source, &texts.backup, &texts.excludeFolders, &texts.include, &texts.excludeFiles };
    for (std::size_t i = 0; i < std::size(combos); ++i) {
        AddToComboHistory(*combos[i], *values[i]);
        combos[i]->SaveHistory(kHistories[i].prefix, kHistories[i].key);
    }
}

void CAddFolderDlg::SetPreset(const FolderDrop& drop)
{
    if (drop.kind != FolderDrop::Folder && drop.kind != FolderDrop::Files)
        return;
    m_source->setEditText(ToQ(drop.source));
    m_recursive->setChecked(drop.kind == FolderDrop::Folder);
    if (drop.kind == FolderDrop::Files)
        m_includeFiles->setEditText(ToQ(drop.includeFiles));
}

void CAddFolderDlg::Browse(QComboBox* target, const QString& title, const QString& prompt)
{
    CFolderBrowser browser;
    browser.InitialFolder = target->currentText();
    browser.Title = title;
    browser.StatusText = prompt;
    browser.ShowStatusText = true;
    if (browser.Show(this))
        target->setEditText(browser.Path());
}

void CAddFolderDlg::AddTag(QComboBox* target, QComboBox* tags, int index)
{
    if (index > 0)
        target->setEditText(target->currentText() + tags->itemText(index));
    tags->setCurrentIndex(0);
}

void CAddFolderDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CAddFolderDlg::dropEvent(QDropEvent* event)
{
    const FolderDrop drop = FolderDrop::FromPaths(FolderDrop::LocalPaths(*event->mimeData()));
    if (drop.kind == FolderDrop::Nothing)
        return;
    event->acceptProposedAction();
    if (drop.kind == FolderDrop::Mixed) {
        m_prompter.MessageBox(LoadString(57702), MbOk | MbIconError);
        return;
    }
    SetPreset(drop);
}

int CAddFolderDlg::exec()
{
    if (m_immediateConfirm && Confirm()) {
        setResult(Accepted);
        return Accepted;
    }
    return QDialog::exec();
}

void CAddFolderDlg::accept()
{
    if (Confirm())
        QDialog::accept();
}

CAddFolderDlg::Texts CAddFolderDlg::ReadTexts() const
{
    return { FromQ(m_source->currentText()), FromQ(m_backup->currentText()), FromQ(m_excludeFolders->currentText()),
        FromQ(m_includeFiles->currentText()), FromQ(m_excludeFiles->currentText()) };
}

void CAddFolderDlg::ShowTexts(const Texts& texts)
{
    m_source->setEditText(ToQ(texts.source));
    m_backup->setEditText(ToQ(texts.backup));
    m_excludeFolders->setEditText(ToQ(texts.excludeFolders));
    m_includeFiles->setEditText(ToQ(texts.include));
    m_excludeFiles->setEditText(ToQ(texts.excludeFiles));
}

bool CAddFolderDlg::Confirm()
{
    Texts texts = ReadTexts();
    for (std::string* text :
        { &texts.source, &texts.backup, &texts.excludeFolders, &texts.include, &texts.excludeFiles })
        *text = TrimBlanks(*text);
    texts.source = TrimTrailingSlashes(texts.source);
    texts.backup = TrimTrailingSlashes(texts.backup);
    ShowTexts(texts);

    if (!CheckDisplayName(texts.source) || !CheckFolders(texts.source, texts.backup))
        return false;
    if (texts.include.empty())
        texts.include = "*.*";
    if (!CheckMasks(texts))
        return false;
    ShowTexts(texts);
    SaveHistories(texts);

    m_result = FolderEntryEdit { m_entryIndex, texts.source, texts.backup, texts.excludeFolders, texts.include,
        texts.excludeFiles, m_recursive->isChecked() ? 1 : 0, m_changeAll->isChecked() };
    return true;
}

// Two entries of one display name would share one folder below a common
// backup folder, so an edited entry is held to the rule as well as a new one.
bool CAddFolderDlg::CheckDisplayName(const std::string& source)
{
    if (source.empty())
        return true;
    const std::string name = FolderDisplayName(source);
    for (const std::string& other : m_otherSources) {
        if (other.empty() || FolderDisplayName(other) != name)
            continue;
        const auto start = name.find_first_not_of('/');
        const std::string shown = start == std::string::npos ? std::string() : name.substr(start);
        m_prompter.MessageBox(FormatString(LoadString(57703).c_str(), shown.c_str()), MbOk | MbIconError);
        return false;
    }
    return true;
}

bool CAddFolderDlg::CheckFolders(const std::string& source, const std::string& backup)
{
    const std::time_t now = m_clock->Now();
    const std::string expandedSource = ExpandPathTags(source, now);
    const std::string expandedBackup = ExpandPathTags(backup, now);
    if (!IsFullPath(expandedSource) || !IsFullPath(expandedBackup)) {
        m_prompter.MessageBox(LoadString(57706), MbOk | MbIconError);
        return false;
    }
    if (FoldersConflict(expandedSource, expandedBackup, m_recursive->isChecked())) {
        m_prompter.MessageBox(LoadString(57696), MbOk | MbIconError);
        return false;
    }
    if (!IsFolder(expandedSource) && m_prompter.MessageBox(LoadString(57693), MbOkCancel | MbIconQuestion) != IdOk)
        return false;
    if (!IsFolder(expandedBackup) && m_prompter.MessageBox(LoadString(57694), MbOkCancel | MbIconQuestion) != IdOk)
        return false;
    return true;
}

bool CAddFolderDlg::CheckMasks(Texts& texts)
{
    const std::pair<std::string*, int> lists[]
        = { { &texts.excludeFolders, 57704 }, { &texts.include, 57697 }, { &texts.excludeFiles, 57698 } };
    for (const auto& [text, messageId] : lists) {
        const auto normalised = NormaliseMaskList(*text);
        if (!normalised) {
            m_prompter.MessageBox(LoadString(messageId), MbOk | MbIconError);
            return false;
        }
        *text = *normalised;
    }
    return true;
}
