#pragma once

#include "core/SettingsRecord.h"
#include "ui/MyDialog.h"

#include <QColor>
#include <QString>
#include <vector>

class CPrompter;
class CSettingsHeader;
class CSettingsPage;
class CSettingsSchedulerDlg;
class CShellIntegration;
class QDialogButtonBox;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The settings window: a tree of ten pages on the left, a coloured header
// with the selected page's caption and description, the page below it, OK
// and Cancel. Every page edits a copy of the settings; OK collects them
// into Result() and the caller applies that as a whole.
class CSettingsDlg : public CMyDialog {
    Q_OBJECT

public:
    // The design size of the window in design pixels.
    static constexpr int kDesignWidth = 627;
    static constexpr int kDesignHeight = 449;
    static constexpr int kHeaderHeight = 54;

    // Page numbers of the standard pages, in insertion order.
    enum PageId { General, Compare, Logging, Actions, Backup, Restore, Scheduler, Tray, Display, Missed };

    CSettingsDlg(
        const SettingsRecord& settings, CPrompter& prompter, CShellIntegration& shell, QWidget* parent = nullptr);
    ~CSettingsDlg() override;

    // Adds page as the last child of parentPage (-1: a top-level page) and
    // returns its number.
    int AddPage(int parentPage, CSettingsPage* page, const QString& name, const QString& description);
    void SetHeaderColour(QColor colour);
    void EnableDescription(bool on, int height);

    // The settings as OK left them; the settings the dialog opened with
    // until then.
    const SettingsRecord& Result() const { return m_result; }

    int PageCount() const { return static_cast<int>(m_pages.size()); }
    CSettingsPage* Page(int page) const;
    int CurrentPage() const { return m_current; }
    void SelectPage(int page);
    // "General", or "Actions - Backup" for a child page.
    QString Caption(int page) const;
    QString Description(int page) const;
    QTreeWidget* Tree() const { return m_tree; }
    CSettingsHeader* Header() const { return m_header; }
    CSettingsSchedulerDlg* SchedulerPage() const;

    void accept() override;
    void reject() override;

private:
    struct PageEntry {
        QTreeWidgetItem* item = nullptr;
        int parent = -1;
        CSettingsPage* page = nullptr;
        QString name;
        QString caption;
        QString description;
    };

    void BuildFrame();
    void AddStandardPages(CPrompter& prompter, CShellIntegration& shell);
    void OrderFocus();
    void OnTreeSelection(QTreeWidgetItem* item);
    void ShowPage(int page);

    SettingsRecord m_settings;
    SettingsRecord m_result;
    std::vector<PageEntry> m_pages;
    int m_current = -1;
    QTreeWidget* m_tree = nullptr;
    CSettingsHeader* m_header = nullptr;
    QStackedWidget* m_stack = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
