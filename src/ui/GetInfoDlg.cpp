#include "ui/GetInfoDlg.h"

#include "scan/PathFormat.h"
#include "ui/GeneralProgress.h"
#include "ui/Icons.h"
#include "ui/LayoutHelper.h"
#include "ui/PlanListModel.h"
#include "ui/ReportView.h"
#include "ui/UiText.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTableView>

namespace {

constexpr int kTickMs = 250;
const char* const kCaptions[4] = { "Files:", "Folders:", "Total Size:", "Status:" };
// Design sizes: the window, the band of a restore's sentence above it, and
// the window with its details open.
constexpr int kWidth = 336;
constexpr int kHeight = 150;
constexpr int kSentenceBand = 44;
constexpr int kDetailsWidth = 600;
constexpr int kDetailsHeight = 286;

using Kind = CRunPlan::Kind;

struct KindChoice {
    const char* text;
    unsigned kinds;
};

const KindChoice kKindChoices[] = {
    { "Everything", CPlanListModel::kAllKinds },
    { "Added", CPlanListModel::KindBit(Kind::Added) },
    { "Replaced", CPlanListModel::KindBit(Kind::Replaced) },
    { "Deleted", CPlanListModel::KindBit(Kind::Deleted) },
    { "Brought back", CPlanListModel::KindBit(Kind::BroughtBack) },
};

} // namespace

CGetInfoDlg::CGetInfoDlg(const CRunDisplay::WindowRules& rules, CInformationHandle handle,
    std::atomic<std::int32_t>& cancel, QWidget* parent)
    : CMyDialog(parent)
    , m_rules(rules)
    , m_handle(std::move(handle))
    , m_cancel(cancel)
{
    setObjectName(QStringLiteral("getInfoDlg"));
    setWindowTitle(QStringLiteral("File Information"));
    setWindowIcon(CIcons::Application());
    setWindowModality(Qt::ApplicationModal);
    const QString titles[2] = { QStringLiteral("Source"), QStringLiteral("Backup") };
    for (int side = 0; side < 2; ++side) {
        m_groups[side] = new QGroupBox(titles[side], this);
        for (int row = 0; row < 4; ++row) {
            m_captions[side][row] = new QLabel(QString::fromLatin1(kCaptions[row]), this);
            m_values[side][row] = new QLabel(QStringLiteral("-"), this);
        }
    }
    m_animation = new QProgressBar(this);
    m_animation->setRange(0, 0);
    m_animation->setTextVisible(false);
    m_continue = new QPushButton(QStringLiteral("Continue"), this);
    m_continue->setEnabled(false);
    m_continue->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_detailsButton = new QPushButton(QStringLiteral("Details"), this);
    m_detailsButton->setCheckable(true);
    m_detailsButton->setAutoDefault(false);
    CreateDetails();
    LayOut();
    SetUpDialog();
    // With its details open the window can grow, the list of paths with it.
    Layout()->AddItem(m_list, 0, 0, 100, 100);
    Layout()->AddItem(m_totals, 0, 0, 100, 0);
    Layout()->AddItem(m_filter, 100, 0, 0, 0);
    LayOut();
    connect(m_continue, &QPushButton::clicked, this, &CGetInfoDlg::Continue);
    connect(m_cancelButton, &QPushButton::clicked, this, &CGetInfoDlg::Cancel);
    connect(m_detailsButton, &QPushButton::toggled, this, &CGetInfoDlg::ShowDetails);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CGetInfoDlg::Tick);
}

void CGetInfoDlg::CreateDetails()
{
    m_sentenceIcon = new QLabel(this);
    m_sentence = new QLabel(this);
    m_sentence->setWordWrap(true);
    m_sentence->setObjectName(QStringLiteral("restoreSentence"));
    QFont bold = m_sentence->font();
    bold.setBold(true);
    m_sentence->setFont(bold);
    m_totals = new QLabel(QStringLiteral("Working out what the action will do..."), this);
    m_filter = new QComboBox(this);
    for (const KindChoice& choice : kKindChoices)
        m_filter->addItem(QString::fromLatin1(choice.text), choice.kinds);
    m_model = new CPlanListModel(this);
    m_list = new QTableView(this);
    SetUpReportView(*m_list, *m_model, false);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->horizontalHeader()->setSortIndicator(CPlanListModel::What, Qt::AscendingOrder);
    m_list->setSortingEnabled(true);
    connect(
        m_filter, &QComboBox::activated, this, [this](int index) { FilterKinds(m_filter->itemData(index).toUInt()); });
    for (QWidget* widget : { static_cast<QWidget*>(m_sentenceIcon), static_cast<QWidget*>(m_sentence) })
        widget->hide();
    for (QWidget* widget :
        { static_cast<QWidget*>(m_totals), static_cast<QWidget*>(m_filter), static_cast<QWidget*>(m_list) })
        widget->hide();
}

// A restore's sentence takes a band at the top; the details hang below the
// buttons, in a window made wider for their paths.
void CGetInfoDlg::LayOut()
{
    // Nothing follows the size while the controls go back to their places.
    if (Layout())
        Layout()->Enable(false);
    const int top = m_action == 1 ? kSentenceBand : 0;
    Place(m_sentenceIcon, 8, 8, 24, 24);
    Place(m_sentence, 38, 4, kWidth - 46, kSentenceBand - 6);
    for (int side = 0; side < 2; ++side) {
        const int left = 8 + side * 164;
        Place(m_groups[side], left, top + 6, 156, 104);
        for (int row = 0; row < 4; ++row) {
            Place(m_captions[side][row], left + 8, top + 26 + row * 20, 64, 16);
            Place(m_values[side][row], left + 74, top + 26 + row * 20, 78, 16);
        }
    }
    Place(m_animation, 8, top + 122, 80, 12);
    Place(m_detailsButton, 96, top + 116, 72, 24);
    Place(m_continue, 178, top + 116, 72, 24);
    Place(m_cancelButton, 256, top + 116, 72, 24);
    const int details = top + kHeight;
    Place(m_totals, 8, details, kDetailsWidth - 16 - 160, 20);
    Place(m_filter, kDetailsWidth - 8 - 150, details - 2, 150, 22);
    Place(m_list, 8, details + 26, kDetailsWidth - 16, kDetailsHeight - 36);
    const bool open = m_list->isVisibleTo(this);
    const int width = open ? kDetailsWidth : kWidth;
    const int height = top + kHeight + (open ? kDetailsHeight : 0);
    CLayoutHelper* helper = Layout();
    if (!helper) {
        setFixedSize(Dx(width), Dy(height));
        return;
    }
    // Everything stands at its design place for the design size: the helper
    // moves things from there.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(Dx(width), Dy(height));
    helper->SetMinTrackSize(size());
    helper->Enable(open);
}

void CGetInfoDlg::SetAction(int action)
{
    m_action = action;
    const bool restore = action == 1;
    m_sentence->setVisible(restore);
    m_sentenceIcon->setVisible(restore);
    if (restore) {
        m_sentence->setText(QStringLiteral("Working out what this restore will do..."));
        m_sentenceIcon->setPixmap(
            QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(Dx(24), Dy(24)));
    }
    LayOut();
}

void CGetInfoDlg::Start()
{
    setAttribute(Qt::WA_DeleteOnClose);
    open();
    m_timer.start();
}

void CGetInfoDlg::Finish()
{
    CloseAs(false);
}

QString CGetInfoDlg::Value(int side, int row) const
{
    return m_values[side][row]->text();
}

QString CGetInfoDlg::Sentence() const
{
    return m_sentence->isVisibleTo(this) ? m_sentence->text() : QString();
}

QString CGetInfoDlg::Totals() const
{
    return m_totals->text();
}

bool CGetInfoDlg::DetailsShown() const
{
    return m_list->isVisibleTo(this);
}

void CGetInfoDlg::SetPlan(CRunPlan plan)
{
    m_model->SetPlan(std::move(plan));
    m_planShown = true;
    ShowPlanTexts();
    Tick();
}

void CGetInfoDlg::ShowPlanTexts()
{
    const CRunPlan& plan = m_model->Plan();
    const int copied = plan.FilesOf(Kind::Added) + plan.FilesOf(Kind::Replaced) + plan.FilesOf(Kind::BroughtBack);
    const int removed = plan.FilesOf(Kind::Deleted);
    const auto part = [](std::uint64_t bytes, int files) {
        if (files == 0)
            return QStringLiteral("nothing");
        const QString count = files == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(files);
        return QStringLiteral("%1 in %2").arg(ToQ(FormatSize(bytes)), count);
    };
    m_totals->setText(QStringLiteral("To copy: %1      To remove: %2")
                          .arg(part(plan.CopyBytes(), copied), part(plan.RemoveBytes(), removed)));
    if (m_action != 1)
        return;
    m_sentence->setText(ToQ(plan.RestoreSentence()));
    // Replacing a source file with an older copy loses the newer work.
    m_warns = plan.Tally().NewerReplaced > 0;
    const auto icon = m_warns ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
    m_sentenceIcon->setPixmap(QApplication::style()->standardIcon(icon).pixmap(Dx(24), Dy(24)));
}

void CGetInfoDlg::ShowDetails(bool shown)
{
    if (m_detailsButton->isChecked() != shown)
        m_detailsButton->setChecked(shown);
    for (QWidget* widget :
        { static_cast<QWidget*>(m_totals), static_cast<QWidget*>(m_filter), static_cast<QWidget*>(m_list) })
        widget->setVisible(shown);
    LayOut();
    if (!shown)
        return;
    const int width = m_list->viewport()->width();
    m_list->setColumnWidth(CPlanListModel::What, width / 8);
    m_list->setColumnWidth(CPlanListModel::Name, width * 4 / 10);
    m_list->setColumnWidth(CPlanListModel::Size, width / 8);
    m_list->setColumnWidth(CPlanListModel::Newer, width / 10);
    m_list->horizontalHeader()->setStretchLastSection(true);
}

void CGetInfoDlg::FilterKinds(unsigned kinds)
{
    m_model->SetKinds(kinds);
    const int index = m_filter->findData(kinds);
    if (index >= 0)
        m_filter->setCurrentIndex(index);
}

bool CGetInfoDlg::ScansRunning() const
{
    const InformationSnapshot s = m_handle->Monitor().Latest();
    return s.SourceScanRunning || s.DestinationScanRunning;
}

// The sentence is the guard of a restore: it is read before going on.
bool CGetInfoDlg::WaitsForPlan(const InformationSnapshot& snapshot) const
{
    return m_action == 1 && snapshot.PlanComing && !m_planShown && !m_rules.CloseInformationByItself;
}

void CGetInfoDlg::Tick()
{
    const InformationSnapshot s = m_handle->Monitor().Latest();
    const auto show = [this](int side, int files, int folders, std::uint64_t bytes, bool running) {
        m_values[side][0]->setText(QString::number(files));
        m_values[side][1]->setText(QString::number(folders));
        m_values[side][2]->setText(ToQ(FormatSize(bytes)));
        m_values[side][3]->setText(running ? QStringLiteral("Working") : QStringLiteral("Completed"));
    };
    show(0, s.SourceFiles, s.SourceFolders, s.SourceBytes, s.SourceScanRunning);
    show(1, s.DestinationFiles, s.DestinationFolders, s.DestinationBytes, s.DestinationScanRunning);
    if (s.SourceScanRunning || s.DestinationScanRunning || m_cancelling)
        return;
    if (m_cancel != 0) {
        CloseAs(false);
        return;
    }
    if (!s.PlanComing && !m_planShown) {
        // No plan follows these scans: there are no details to show.
        m_detailsButton->setEnabled(false);
        m_sentence->setText(QString());
    }
    if (WaitsForPlan(s))
        return;
    m_animation->setRange(0, 1);
    m_animation->setValue(1);
    m_continue->setEnabled(true);
    if (!m_list->hasFocus() && !m_filter->hasFocus() && !m_detailsButton->hasFocus())
        m_continue->setFocus();
    if (m_rules.CloseInformationByItself)
        Continue();
}

void CGetInfoDlg::Continue()
{
    if (m_continue->isEnabled())
        CloseAs(true);
}

// The waiting window stays until both scans have let go; cancelling it too
// leaves the run to wait for them on its own thread.
void CGetInfoDlg::Cancel()
{
    if (m_cancelling)
        return;
    m_cancel = 1;
    if (!ScansRunning()) {
        CloseAs(false);
        return;
    }
    m_cancelling = true;
    m_cancelButton->setEnabled(false);
    auto* waiting = new CGeneralProgress(
        LoadQString(57700), [this] { return ScansRunning(); }, this, this);
    waiting->Start([this](bool) { CloseAs(false); });
}

void CGetInfoDlg::reject()
{
    Cancel();
}

void CGetInfoDlg::CloseAs(bool proceed)
{
    m_timer.stop();
    m_handle->Monitor().Close(proceed);
    if (isVisible())
        done(proceed ? Accepted : Rejected);
}
