#include "ui/SettingsGeneralDlg.h"

#include "app/ShellIntegration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

constexpr const char* kExtension = ".kvf";
constexpr const char* kTypeName = "KorvaneFile";
constexpr const char* kTypeDescription = "Korvane File";
constexpr int kIconIndex = 1;

} // namespace

CSettingsGeneralDlg::CSettingsGeneralDlg(
    const SettingsRecord& settings, CPrompter& prompter, CShellIntegration& shell, QWidget* parent)
    : CSettingsPage(settings, prompter, parent)
    , m_shell(shell)
    , m_wasAssociated(shell.IsFileAssociated(kExtension))
{
    setObjectName(QStringLiteral("SettingsGeneralDlg"));
    using G = SettingsRecord::GeneralSettings;
    m_associate = new QCheckBox(QStringLiteral("Associate files of type KVF to program"), this);
    m_associate->setObjectName(QStringLiteral("associate"));
    m_associate->setChecked(m_wasAssociated);
    TipFromTable(m_associate, 1375);
    Column()->addWidget(m_associate);
    AddCheck(1376, "Display gridlines in list controls", Field(&G::GridlinesList), "gridlines");
    AddCheck(
        1378, "Automatically scan all folders that are added to the backup", Field(&G::AutomaticScan), "automaticScan");
    AddCheck(1379, "Automatically check for updates once every week", Field(&G::CheckUpdates), "checkUpdates");
    AddCheck(1380, "Enable window alpha blending effects", Field(&G::AlphaBlending), "alphaBlending");

    m_clusterSize = new QComboBox(this);
    m_clusterSize->setObjectName(QStringLiteral("clusterSize"));
    m_clusterSize->addItems({ QStringLiteral("512 bytes"), QStringLiteral("1 kB"), QStringLiteral("2 kB"),
        QStringLiteral("4 kB"), QStringLiteral("8 kB"), QStringLiteral("16 kB"), QStringLiteral("32 kB"),
        QStringLiteral("64 kB"), QStringLiteral("128 kB") });
    const int cluster = Settings().General.ClusterSize;
    // A size beyond the list (a hand-edited file) shows as the default.
    m_clusterSize->setCurrentIndex(cluster >= 0 && cluster < m_clusterSize->count() ? cluster : 3);
    TipFromTable(m_clusterSize, 1381);
    auto* clusterLabel = new QLabel(QStringLiteral("Cluster size for backup drive"), this);
    clusterLabel->setBuddy(m_clusterSize);

    m_tooltipDelay = new QLineEdit(QString::number(Settings().General.TooltipDelay), this);
    m_tooltipDelay->setObjectName(QStringLiteral("tooltipDelay"));
    m_tooltipDelay->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), m_tooltipDelay));
    m_tooltipDelay->setMaximumWidth(Dx(70));
    TipFromTable(m_tooltipDelay, 1374);
    auto* delayLabel = new QLabel(QStringLiteral("Tooltip delay"), this);
    delayLabel->setBuddy(m_tooltipDelay);

    auto* grid = new QGridLayout;
    grid->addWidget(clusterLabel, 0, 0);
    grid->addWidget(m_clusterSize, 0, 1);
    grid->addWidget(delayLabel, 1, 0);
    grid->addWidget(m_tooltipDelay, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("milliseconds"), this), 1, 2);
    grid->setColumnStretch(3, 1);
    Column()->addSpacing(Dy(8));
    Column()->addLayout(grid);
    FinishColumn();
}

bool CSettingsGeneralDlg::OnOK(SettingsRecord& settings)
{
    if (!CSettingsPage::OnOK(settings))
        return false;
    settings.General.ClusterSize = m_clusterSize->currentIndex();
    return ReadNumber(m_tooltipDelay, 0, kMaxTooltipDelay, settings.General.TooltipDelay);
}

void CSettingsGeneralDlg::Commit()
{
    const bool associate = m_associate->isChecked();
    if (associate != m_wasAssociated)
        m_shell.SetFileAssociation(kExtension, kIconIndex, kTypeName, kTypeDescription, associate);
}
