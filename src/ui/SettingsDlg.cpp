#include "ui/SettingsDlg.h"

#include "ui/Icons.h"
#include "ui/LayoutHelper.h"
#include "ui/SettingsActionsDlg.h"
#include "ui/SettingsBackupDlg.h"
#include "ui/SettingsCompareDlg.h"
#include "ui/SettingsDisplayDlg.h"
#include "ui/SettingsGeneralDlg.h"
#include "ui/SettingsHeader.h"
#include "ui/SettingsLoggingDlg.h"
#include "ui/SettingsMissedDlg.h"
#include "ui/SettingsRestoreDlg.h"
#include "ui/SettingsSchedulerDlg.h"
#include "ui/SettingsTrayDlg.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The frame's inner margin around header and pages.
constexpr int kFrameInset = 3;
constexpr int kTreeDesignWidth = 140;

} // namespace

CSettingsDlg::CSettingsDlg(
    const SettingsRecord& settings, CPrompter& prompter, CShellIntegration& shell, QWidget* parent)
    : CMyDialog(parent)
    , m_settings(settings)
    , m_result(settings)
{
    setObjectName(QStringLiteral("SettingsDlg"));
    setWindowTitle(QStringLiteral("Settings"));
    setWindowIcon(CIcons::Application());
    BuildFrame();
    AddStandardPages(prompter, shell);
    SetHeaderColour(QColor(0x60, 0x60, 0x80));
    EnableDescription(true, kHeaderHeight);
    for (const PageEntry& entry : m_pages) {
        if (entry.parent < 0)
            entry.item->setExpanded(true);
    }
    SelectPage(General);
    OrderFocus();
    const QSize needed = sizeHint();
    resize(std::max(needed.width(), Dx(kDesignWidth)), std::max(needed.height(), Dy(kDesignHeight)));
    SetUpDialog();
    // The log file's path may be long: the window can grow, never shrink.
    Layout()->Enable(true);
}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::BuildFrame()
{
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("pageTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setRootIsDecorated(true);
    m_tree->setFixedWidth(Dx(kTreeDesignWidth));
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem* item, QTreeWidgetItem*) { OnTreeSelection(item); });

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("pageFrame"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    m_header = new CSettingsHeader(frame);
    m_stack = new QStackedWidget(frame);
    auto* inFrame = new QVBoxLayout(frame);
    inFrame->setContentsMargins(kFrameInset, kFrameInset, kFrameInset, kFrameInset);
    inFrame->setSpacing(0);
    inFrame->addWidget(m_header);
    inFrame->addWidget(m_stack, 1);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->setObjectName(QStringLiteral("buttons"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CSettingsDlg::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CSettingsDlg::reject);

    auto* panes = new QHBoxLayout;
    panes->addWidget(m_tree);
    panes->addWidget(frame, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addWidget(m_buttons);
}

// Tab goes from the tree into the page shown, then to OK and Cancel; the
// controls of hidden pages are passed over.
void CSettingsDlg::OrderFocus()
{
    std::vector<QWidget*> chain { m_tree };
    for (const PageEntry& entry : m_pages) {
        for (QWidget* w = entry.page->nextInFocusChain(); w != entry.page && entry.page->isAncestorOf(w);
             w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus)
                chain.push_back(w);
        }
    }
    chain.push_back(m_buttons->button(QDialogButtonBox::Ok));
    chain.push_back(m_buttons->button(QDialogButtonBox::Cancel));
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void CSettingsDlg::AddStandardPages(CPrompter& prompter, CShellIntegration& shell)
{
    const SettingsRecord& s = m_settings;
    const int general = AddPage(-1, new CSettingsGeneralDlg(s, prompter, shell), QStringLiteral("General"),
        QStringLiteral("General settings for the application and how the environment should behave"));
    AddPage(general, new CSettingsCompareDlg(s, prompter), QStringLiteral("Compare"),
        QStringLiteral("Settings for how to determine which files in the source to backup"));
    AddPage(general, new CSettingsLoggingDlg(s, prompter), QStringLiteral("Logging"),
        QStringLiteral("Settings for optional logging of executed actions"));
    const int actions = AddPage(-1, new CSettingsActionsDlg(s, prompter), QStringLiteral("Actions"),
        QStringLiteral("Settings for how the different actions should be performed"));
    AddPage(actions, new CSettingsBackupDlg(s, prompter), QStringLiteral("Backup"),
        QStringLiteral("Settings for how backup actions will be performed"));
    AddPage(actions, new CSettingsRestoreDlg(s, prompter), QStringLiteral("Restore"),
        QStringLiteral("Settings for how restore actions will be performed"));
    const int scheduler = AddPage(-1, new CSettingsSchedulerDlg(s, prompter), QStringLiteral("Scheduler"),
        QStringLiteral("Scheduler settings for executing unattended actions"));
    AddPage(scheduler, new CSettingsTrayDlg(s, prompter), QStringLiteral("Tray"),
        QStringLiteral("Settings for how the tray icon should behave when scheduler is active"));
    AddPage(scheduler, new CSettingsDisplayDlg(s, prompter), QStringLiteral("Display"),
        QStringLiteral("Settings for which dialogs to display during scheduled actions"));
    AddPage(scheduler, new CSettingsMissedDlg(s, prompter), QStringLiteral("Missed"),
        QStringLiteral("Settings for how to handle scheduled events that were missed"));
}

int CSettingsDlg::AddPage(int parentPage, CSettingsPage* page, const QString& name, const QString& description)
{
    const int number = PageCount();
    PageEntry entry;
    entry.parent = parentPage >= 0 && parentPage < number ? parentPage : -1;
    entry.page = page;
    entry.name = name;
    entry.description = description;
    entry.caption = entry.parent < 0
        ? name
        : m_pages[static_cast<std::size_t>(entry.parent)].caption + QStringLiteral(" - ") + name;
    entry.item = new QTreeWidgetItem(QStringList { name });
    entry.item->setData(0, Qt::UserRole, number);
    if (entry.parent < 0)
        m_tree->addTopLevelItem(entry.item);
    else
        m_pages[static_cast<std::size_t>(entry.parent)].item->addChild(entry.item);
    m_stack->addWidget(page);
    connect(page, &CSettingsPage::Refusing, this, [this, number] { SelectPage(number); });
    m_pages.push_back(entry);
    return number;
}

void CSettingsDlg::SetHeaderColour(QColor colour)
{
    m_header->SetColour(colour);
}

void CSettingsDlg::EnableDescription(bool on, int height)
{
    m_header->EnableDescription(on, height);
}

CSettingsPage* CSettingsDlg::Page(int page) const
{
    return page >= 0 && page < PageCount() ? m_pages[static_cast<std::size_t>(page)].page : nullptr;
}

QString CSettingsDlg::Caption(int page) const
{
    return page >= 0 && page < PageCount() ? m_pages[static_cast<std::size_t>(page)].caption : QString();
}

QString CSettingsDlg::Description(int page) const
{
    return page >= 0 && page < PageCount() ? m_pages[static_cast<std::size_t>(page)].description : QString();
}

CSettingsSchedulerDlg* CSettingsDlg::SchedulerPage() const
{
    return qobject_cast<CSettingsSchedulerDlg*>(Page(Scheduler));
}

void CSettingsDlg::SelectPage(int page)
{
    if (page < 0 || page >= PageCount())
        return;
    m_tree->setCurrentItem(m_pages[static_cast<std::size_t>(page)].item);
    ShowPage(page);
}

void CSettingsDlg::OnTreeSelection(QTreeWidgetItem* item)
{
    if (item)
        ShowPage(item->data(0, Qt::UserRole).toInt());
}

void CSettingsDlg::ShowPage(int page)
{
    if (page == m_current)
        return;
    m_current = page;
    const PageEntry& entry = m_pages[static_cast<std::size_t>(page)];
    m_stack->setCurrentWidget(entry.page);
    m_header->SetTexts(entry.caption, entry.description);
}

void CSettingsDlg::accept()
{
    SettingsRecord result = m_settings;
    for (int page = 0; page < PageCount(); ++page) {
        if (!Page(page)->OnOK(result)) {
            SelectPage(page);
            m_tree->setFocus();
            return;
        }
    }
    m_result = result;
    // Effects beyond the record only once every page agreed.
    for (const PageEntry& entry : m_pages)
        entry.page->Commit();
    CMyDialog::accept();
}

void CSettingsDlg::reject()
{
    for (const PageEntry& entry : m_pages)
        entry.page->OnCancel();
    CMyDialog::reject();
}
