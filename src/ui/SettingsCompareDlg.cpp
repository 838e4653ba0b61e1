#include "ui/SettingsCompareDlg.h"

CSettingsCompareDlg::CSettingsCompareDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent)
    : CSettingsPage(settings, prompter, parent)
{
    setObjectName(QStringLiteral("SettingsCompareDlg"));
    AddRadioGroup({ { 1382, "Use file size and modification date" }, { 1383, "Use CRC32 checksum" } },
        Field(&SettingsRecord::GeneralSettings::CompareType), { "compareDate", "compareCrc" });
    FinishColumn();
}
