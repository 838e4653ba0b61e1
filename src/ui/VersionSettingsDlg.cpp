#include "ui/VersionSettingsDlg.h"

#include "StringTable.h"
#include "engine/VersionPruner.h"
#include "platform/ThreadPriority.h"
#include "scan/PathFormat.h"
#include "ui/UiText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <atomic>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> g_threadsAlive { 0 };

// A line of text with a number box in the place of each "%d" of the string
// table's text ("%%" is a percent sign): the text stays whole in the table.
QHBoxLayout* NumberLine(QWidget* parent, const QString& text, std::initializer_list<QSpinBox*> boxes)
{
    auto* line = new QHBoxLayout;
    const QStringList pieces = text.split(QStringLiteral("%d"));
    auto box = boxes.begin();
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        QString piece = pieces[i].trimmed();
        piece.replace(QStringLiteral("%%"), QStringLiteral("%"));
        if (!piece.isEmpty()) {
            auto* label = new QLabel(piece, parent);
            if (box != boxes.end())
                label->setBuddy(*box);
            line->addWidget(label);
        }
        if (i + 1 < pieces.size() && box != boxes.end())
            line->addWidget(*box++);
    }
    line->addStretch(1);
    return line;
}

} // namespace

// What the thread and the window share. Once Detached is set the thread
// posts nothing more, so it never reaches a window that has gone.
struct CVersionSettingsDlg::Shared {
    std::mutex Mutex;
    bool Detached = false;
};

CVersionSettingsDlg::CVersionSettingsDlg(
    const CVersionSettings& settings, std::vector<std::string> areaFolders, QWidget* parent)
    : CMyDialog(parent)
    , m_settings(settings)
    , m_shared(std::make_shared<Shared>())
{
    m_settings.Clamp();
    setObjectName(QStringLiteral("VersionSettingsDlg"));
    setWindowTitle(QStringLiteral("Version Settings"));
    BuildLayout();
    ShowSettings();
    UpdateEnabling();
    adjustSize();
    SetUpDialog();
    WorkOutSpace(std::move(areaFolders));
}

CVersionSettingsDlg::~CVersionSettingsDlg()
{
    const std::lock_guard<std::mutex> lock(m_shared->Mutex);
    m_shared->Detached = true;
}

int CVersionSettingsDlg::ThreadsAlive()
{
    return g_threadsAlive.load();
}

// A walk of every version, which on a large area takes a while: never on
// the interface thread.
void CVersionSettingsDlg::WorkOutSpace(std::vector<std::string> areaFolders)
{
    m_space->setText(ToQ(FormatString(LoadString(1461).c_str(), LoadString(1462).c_str())));
    ++g_threadsAlive;
    std::thread([shared = m_shared, receiver = this, folders = std::move(areaFolders)] {
        CThreadPriority::LowerCurrentThread();
        Measured measured;
        for (const std::string& folder : folders) {
            std::uint64_t bytes = 0;
            measured.error = CVersionPruner::SpaceUsed(folder, bytes);
            if (measured.error)
                break;
            measured.bytes += bytes;
        }
        {
            // Held only while posting: the window's destructor waits for
            // no more than that.
            const std::lock_guard<std::mutex> lock(shared->Mutex);
            if (!shared->Detached) {
                QMetaObject::invokeMethod(
                    receiver,
                    [receiver, shared, measured] {
                        // Taken once the thread has let go of it: the queued
                        // call orders the two already, but inside Qt, which
                        // the thread checker does not see.
                        {
                            const std::lock_guard<std::mutex> arrived(shared->Mutex);
                        }
                        receiver->ShowSpace(measured);
                    },
                    Qt::QueuedConnection);
            }
        }
        --g_threadsAlive;
    }).detach();
}

void CVersionSettingsDlg::ShowSpace(const Measured& measured)
{
    const std::string value = measured.error
        ? FormatString(LoadString(1463).c_str(), SystemErrorText(measured.error).c_str(), measured.error)
        : CVersionPruner::SpaceText(measured.bytes);
    m_space->setText(ToQ(FormatString(LoadString(1461).c_str(), value.c_str())));
}

QSpinBox* CVersionSettingsDlg::NumberBox(const char* name, int last, int tooltip)
{
    auto* box = new QSpinBox(this);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, last);
    SetTooltip(box, LoadQString(tooltip));
    return box;
}

void CVersionSettingsDlg::BuildLayout()
{
    m_active = new QCheckBox(LoadQString(1450), this);
    m_active->setObjectName(QStringLiteral("active"));
    SetTooltip(m_active, LoadQString(1456));
    m_keep = NumberBox("keep", CVersionSettings::kMaxKeep, 1457);
    m_days = NumberBox("days", CVersionSettings::kMaxDays, 1458);
    m_thinDays = NumberBox("thinDays", CVersionSettings::kMaxThinDays, 1459);
    m_thinWeeks = NumberBox("thinWeeks", CVersionSettings::kMaxThinWeeks, 1459);
    m_thinMonths = NumberBox("thinMonths", CVersionSettings::kMaxThinMonths, 1459);
    m_massChange = NumberBox("massChange", CVersionSettings::kMaxMassChange, 1460);

    // The rules apply to versions only; they are greyed while none are kept.
    m_rules = new QWidget(this);
    auto* rules = new QVBoxLayout(m_rules);
    rules->setContentsMargins(fontMetrics().averageCharWidth() * 3, 0, 0, 0);
    rules->addLayout(NumberLine(m_rules, LoadQString(1451), { m_keep }));
    rules->addLayout(NumberLine(m_rules, LoadQString(1452), { m_days }));
    rules->addWidget(new QLabel(LoadQString(1453), m_rules));
    // One step a line: "one a day for %d days, one a week ...".
    const QStringList steps = LoadQString(1454).split(QStringLiteral(", "));
    QSpinBox* const stepBoxes[] = { m_thinDays, m_thinWeeks, m_thinMonths };
    auto* thinning = new QVBoxLayout;
    thinning->setContentsMargins(fontMetrics().averageCharWidth() * 3, 0, 0, 0);
    for (qsizetype i = 0; i < steps.size() && i < 3; ++i) {
        const QString step = i + 1 < steps.size() ? steps[i] + QLatin1Char(',') : steps[i];
        thinning->addLayout(NumberLine(m_rules, step, { stepBoxes[i] }));
    }
    rules->addLayout(thinning);
    for (QSpinBox* box : { m_keep, m_days, m_thinDays, m_thinWeeks, m_thinMonths })
        box->setParent(m_rules);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CVersionSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CVersionSettingsDlg::reject);
    connect(m_active, &QCheckBox::toggled, this, &CVersionSettingsDlg::UpdateEnabling);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_active);
    layout->addWidget(m_rules);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addLayout(NumberLine(this, LoadQString(1455), { m_massChange }));
    layout->addSpacing(fontMetrics().height() / 2);
    m_space = new QLabel(this);
    m_space->setObjectName(QStringLiteral("versionSpace"));
    layout->addWidget(m_space);
    layout->addStretch(1);
    layout->addWidget(buttons);
}

void CVersionSettingsDlg::ShowSettings()
{
    m_active->setChecked(m_settings.Active != 0);
    m_keep->setValue(m_settings.Keep);
    m_days->setValue(m_settings.Days);
    m_thinDays->setValue(m_settings.ThinDays);
    m_thinWeeks->setValue(m_settings.ThinWeeks);
    m_thinMonths->setValue(m_settings.ThinMonths);
    m_massChange->setValue(m_settings.MassChange);
}

void CVersionSettingsDlg::UpdateEnabling()
{
    m_rules->setEnabled(m_active->isChecked());
}

void CVersionSettingsDlg::accept()
{
    // A number typed but not yet taken by its box counts as entered.
    for (QSpinBox* box : { m_keep, m_days, m_thinDays, m_thinWeeks, m_thinMonths, m_massChange })
        box->interpretText();
    m_settings.Active = m_active->isChecked() ? 1 : 0;
    m_settings.Keep = m_keep->value();
    m_settings.Days = m_days->value();
    m_settings.ThinDays = m_thinDays->value();
    m_settings.ThinWeeks = m_thinWeeks->value();
    m_settings.ThinMonths = m_thinMonths->value();
    m_settings.MassChange = m_massChange->value();
    QDialog::accept();
}
