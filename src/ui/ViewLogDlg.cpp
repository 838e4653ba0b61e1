#include "ui/ViewLogDlg.h"

#include "core/Prompter.h"
#include "platform/Clock.h"
#include "platform/MyRegistry.h"
#include "ui/GeneralProgress.h"
#include "ui/Icons.h"
#include "ui/LayoutHelper.h"
#include "ui/LogListModel.h"
#include "ui/LogLoad.h"
#include "ui/ReportView.h"
#include "ui/UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <algorithm>

namespace {

constexpr const char* kKey = "Settings\\View Log";
constexpr int kNumbers = 30;
constexpr int kUnits = 4;

const char* const kCheckTexts[CViewLogDlg::CheckCount]
    = { "Errors and failures", "User events", "Scheduled events", "Backup actions", "Restore actions", "Display last" };
const char* const kCheckNames[CViewLogDlg::CheckCount]
    = { "errors", "user", "scheduled", "backup", "restore", "displayLast" };

int Flag(CMyRegistry& registry, const char* name, int fallback)
{
    // Anything but 0 counts as checked, as a check box reads it.
    return registry.ReadNumber(name, static_cast<std::uint32_t>(fallback)) != 0 ? 1 : 0;
}

// A combo index from the settings file; a value out of range (a damaged
// or hand-edited file) falls back to the default.
int Index(CMyRegistry& registry, const char* name, int fallback, int count)
{
    const std::uint32_t value = registry.ReadNumber(name, static_cast<std::uint32_t>(fallback));
    return value < static_cast<std::uint32_t>(count) ? static_cast<int>(value) : fallback;
}

} // namespace

CViewLogDlg::CViewLogDlg(
    std::string fileName, bool gridLines, CPrompter& prompter, const CClock& clock, QWidget* parent)
    : CMyDialog(parent)
    , m_fileName(std::move(fileName))
    , m_prompter(prompter)
    , m_clock(clock)
{
    setObjectName(QStringLiteral("viewLogDlg"));
    setWindowTitle(QStringLiteral("View Log"));
    setWindowIcon(CIcons::Own(QStringLiteral("view-log")));
    m_model = new CLogListModel(this);
    m_load = new CLogLoad(this);
    CreateControls();
    m_list->setShowGrid(gridLines);
    SizeToDesign(kDesignWidth, kDesignHeight);
    SetReferenceSize(width(), height());
    SetUpDialog();
    Layout()->Enable(true);
    Layout()->AddItem(m_filterGroup, 0, 0, 100, 0);
    Layout()->AddItem(m_eventsGroup, 0, 0, 100, 100);
    Layout()->AddItem(m_list, 0, 0, 100, 100);
    Layout()->AddItem(m_ok, 100, 100, 0, 0);
    m_list->setColumnWidth(CLogListModel::Date, Dx(static_cast<int>(150 * ScaleX())));
    m_list->setColumnWidth(CLogListModel::Message, Dx(static_cast<int>(319 * ScaleX())));
    SetPlacementKey(kKey);
    ApplyState(LoadFilterState());

    connect(m_load, &CLogLoad::BatchRead, m_model, &CLogListModel::Append);
    connect(m_load, &CLogLoad::Finished, m_model, [this] { m_model->Finish(); });
    for (QCheckBox* check : m_checks)
        connect(check, &QCheckBox::clicked, this, &CViewLogDlg::OnFilterChanged);
    connect(m_number, &QComboBox::activated, this, &CViewLogDlg::OnFilterChanged);
    connect(m_unit, &QComboBox::activated, this, &CViewLogDlg::OnFilterChanged);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    // Only the Date column sorts: newest or oldest first.
    QHeaderView* header = m_list->horizontalHeader();
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this, header](int section, Qt::SortOrder order) {
        if (section != CLogListModel::Date) {
            const QSignalBlocker block(header);
            header->setSortIndicator(
                CLogListModel::Date, m_model->NewestFirst() ? Qt::DescendingOrder : Qt::AscendingOrder);
            return;
        }
        m_model->SetNewestFirst(order == Qt::DescendingOrder);
    });
}

CViewLogDlg::~CViewLogDlg()
{
    SaveFilterState(State());
}

void CViewLogDlg::CreateControls()
{
    m_filterGroup = new QGroupBox(QStringLiteral("Filter"), this);
    for (int i = 0; i < CheckCount; ++i) {
        auto* check = new QCheckBox(QString::fromLatin1(kCheckTexts[i]), this);
        check->setObjectName(QString::fromLatin1(kCheckNames[i]));
        m_checks[static_cast<std::size_t>(i)] = check;
    }
    m_number = new QComboBox(this);
    m_number->setObjectName(QStringLiteral("number"));
    for (int i = 1; i <= kNumbers; ++i)
        m_number->addItem(QString::number(i));
    m_unit = new QComboBox(this);
    m_unit->setObjectName(QStringLiteral("unit"));
    m_unit->addItems(
        { QStringLiteral("hours"), QStringLiteral("days"), QStringLiteral("weeks"), QStringLiteral("months") });
    m_eventsGroup = new QGroupBox(QStringLiteral("Events"), this);
    m_list = new QTableView(this);
    SetUpReportView(*m_list, *m_model, false);
    // Records name whole paths; a message wider than its column keeps its
    // start and the end of its last path, and the row's tip shows it whole.
    m_list->setTextElideMode(Qt::ElideMiddle);
    QHeaderView* header = m_list->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(CLogListModel::Date, Qt::DescendingOrder);
    header->setStretchLastSection(true);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setDefault(true);

    Place(m_filterGroup, 8, 4, 513, 96);
    Place(m_checks[Errors], 20, 24, 160, 20);
    Place(m_checks[User], 190, 24, 150, 20);
    Place(m_checks[Scheduled], 350, 24, 160, 20);
    Place(m_checks[Backup], 20, 48, 160, 20);
    Place(m_checks[Restore], 190, 48, 150, 20);
    Place(m_checks[DisplayLast], 20, 72, 110, 20);
    Place(m_number, 132, 71, 52, 22);
    Place(m_unit, 190, 71, 90, 22);
    Place(m_eventsGroup, 8, 106, 513, 360);
    Place(m_list, 18, 126, 493, 330);
    Place(m_ok, 441, 476, 80, 26);
}

CViewLogDlg::FilterState CViewLogDlg::LoadFilterState()
{
    FilterState state;
    CMyRegistry registry;
    registry.SetAccess(KeyRead);
    if (registry.OpenKey(kKey) != RegSuccess)
        return state;
    state.Error = Flag(registry, "Error", state.Error);
    state.User = Flag(registry, "User", state.User);
    state.Scheduled = Flag(registry, "Scheduled", state.Scheduled);
    state.Backup = Flag(registry, "Backup", state.Backup);
    state.Restore = Flag(registry, "Restore", state.Restore);
    state.Display = Flag(registry, "Display", state.Display);
    state.Number = Index(registry, "Number", state.Number, kNumbers);
    state.Unit = Index(registry, "Unit", state.Unit, kUnits);
    return state;
}

void CViewLogDlg::SaveFilterState(const FilterState& state)
{
    CMyRegistry registry;
    if (registry.CreateKey(kKey) != RegSuccess)
        return;
    const std::pair<const char*, int> values[] = { { "Error", state.Error }, { "User", state.User },
        { "Scheduled", state.Scheduled }, { "Backup", state.Backup }, { "Restore", state.Restore },
        { "Display", state.Display }, { "Number", state.Number }, { "Unit", state.Unit } };
    for (const auto& [name, value] : values)
        registry.WriteNumber(name, static_cast<std::uint32_t>(value));
}

CViewLogDlg::FilterState CViewLogDlg::State() const
{
    const auto on = [this](int index) { return Check(index)->isChecked() ? 1 : 0; };
    FilterState state;
    state.Error = on(Errors);
    state.User = on(User);
    state.Scheduled = on(Scheduled);
    state.Backup = on(Backup);
    state.Restore = on(Restore);
    state.Display = on(DisplayLast);
    state.Number = m_number->currentIndex();
    state.Unit = m_unit->currentIndex();
    return state;
}

void CViewLogDlg::ApplyState(const FilterState& state)
{
    const int flags[CheckCount]
        = { state.Error, state.User, state.Scheduled, state.Backup, state.Restore, state.Display };
    for (int i = 0; i < CheckCount; ++i)
        Check(i)->setChecked(flags[i] != 0);
    m_number->setCurrentIndex(state.Number);
    m_unit->setCurrentIndex(state.Unit);
    m_number->setEnabled(state.Display != 0);
    m_unit->setEnabled(state.Display != 0);
    m_model->SetFilter(FilterOf(state));
}

LogFilter CViewLogDlg::FilterOf(const FilterState& state) const
{
    LogFilter filter;
    filter.Errors = state.Error != 0;
    filter.User = state.User != 0;
    filter.Scheduled = state.Scheduled != 0;
    filter.Backup = state.Backup != 0;
    filter.Restore = state.Restore != 0;
    filter.DisplayLast = state.Display != 0;
    filter.CutOff = LogFilter::CutOffFor(m_clock.Now(), state.Number + 1, state.Unit);
    return filter;
}

// Every click on a check box and every choice in a combo: the rows are
// filtered again (the age from now), without reading the file again.
void CViewLogDlg::OnFilterChanged()
{
    ApplyState(State());
}

void CViewLogDlg::showEvent(QShowEvent* event)
{
    CMyDialog::showEvent(event);
    if (m_refreshed)
        return;
    m_refreshed = true;
    Refresh();
}

void CViewLogDlg::Refresh()
{
    m_model->Clear();
    m_load->Start(m_fileName);
    auto* progress = new CGeneralProgress(
        LoadQString(57701), [this] { return m_load->Running(); }, this, this);
    progress->Start([this](bool ended) { OnProgressDone(ended); });
}

bool CViewLogDlg::Loading() const
{
    return m_load->Running();
}

const LogReadSummary& CViewLogDlg::Summary() const
{
    return m_load->Summary();
}

// Cancel in the progress window closes the viewer; a log that could not be
// read is named with its reason, and the viewer closes too.
void CViewLogDlg::OnProgressDone(bool ended)
{
    if (!ended) {
        m_load->Cancel();
        reject();
        return;
    }
    const LogReadSummary& summary = m_load->Summary();
    if (!summary.Failed())
        return;
    m_prompter.MessageBox(LoadString(summary.Outcome) + "\n\n" + m_fileName, MbOk | MbIconError);
    reject();
}
