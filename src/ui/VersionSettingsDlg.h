#pragma once

#include "core/VersionSettings.h"
#include "ui/MyDialog.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QSpinBox;
class QWidget;

// The Version Settings dialog: whether one set keeps versions of the files
// its backups replace or delete, the rules that prune them, and when a
// backup asks before changing much of an entry. It edits a copy, handed back
// by Settings() after OK. Below, the space the set's version areas take,
// worked out on a thread of its own that hands the sum back by a queued
// call; once the window has gone the thread posts nothing.
class CVersionSettingsDlg : public CMyDialog {
    Q_OBJECT
public:
    // areaFolders: the backup folders whose version areas hold the set's
    // versions (CVersionList::AreaFoldersOf).
    CVersionSettingsDlg(
        const CVersionSettings& settings, std::vector<std::string> areaFolders, QWidget* parent = nullptr);
    ~CVersionSettingsDlg() override;

    void accept() override;

    const CVersionSettings& Settings() const { return m_settings; }
    QLabel* SpaceLine() const { return m_space; }
    // Threads of every such window that have not ended yet (tests wait for
    // 0 before they remove the files).
    static int ThreadsAlive();

private:
    struct Shared;
    struct Measured {
        int error = 0;
        std::uint64_t bytes = 0;
    };

    void WorkOutSpace(std::vector<std::string> areaFolders);
    void ShowSpace(const Measured& measured);
    void BuildLayout();
    QSpinBox* NumberBox(const char* name, int last, int tooltip);
    void ShowSettings();
    void UpdateEnabling();

    CVersionSettings m_settings;
    QCheckBox* m_active = nullptr;
    QWidget* m_rules = nullptr;
    QSpinBox* m_keep = nullptr;
    QSpinBox* m_days = nullptr;
    QSpinBox* m_thinDays = nullptr;
    QSpinBox* m_thinWeeks = nullptr;
    QSpinBox* m_thinMonths = nullptr;
    QSpinBox* m_massChange = nullptr;
    QLabel* m_space = nullptr;
    std::shared_ptr<Shared> m_shared;
};
