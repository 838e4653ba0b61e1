#include "ui/GetInfoDlg.h"

#include "scan/PathFormat.h"
#include "ui/GeneralProgress.h"
#include "ui/Icons.h"
#include "ui/UiText.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr int kTickMs = 250;
const char* const kCaptions[4] = { "Files:", "Folders:", "Total Size:", "Status:" };

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
        const int left = 8 + side * 164;
        auto* group = new QGroupBox(titles[side], this);
        Place(group, left, 6, 156, 104);
        for (int row = 0; row < 4; ++row) {
            auto* caption = new QLabel(QString::fromLatin1(kCaptions[row]), this);
            Place(caption, left + 8, 26 + row * 20, 64, 16);
            m_values[side][row] = new QLabel(QStringLiteral("-"), this);
            Place(m_values[side][row], left + 74, 26 + row * 20, 78, 16);
        }
    }
    m_animation = new QProgressBar(this);
    m_animation->setRange(0, 0);
    m_animation->setTextVisible(false);
    Place(m_animation, 8, 122, 156, 12);
    m_continue = new QPushButton(QStringLiteral("Continue"), this);
    m_continue->setEnabled(false);
    m_continue->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    Place(m_continue, 178, 116, 72, 24);
    Place(m_cancelButton, 256, 116, 72, 24);
    SizeToDesign(336, 150);
    SetUpDialog();
    connect(m_continue, &QPushButton::clicked, this, &CGetInfoDlg::Continue);
    connect(m_cancelButton, &QPushButton::clicked, this, &CGetInfoDlg::Cancel);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CGetInfoDlg::Tick);
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

bool CGetInfoDlg::ScansRunning() const
{
    const InformationSnapshot s = m_handle->Monitor().Latest();
    return s.SourceScanRunning || s.DestinationScanRunning;
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
    m_animation->setRange(0, 1);
    m_animation->setValue(1);
    m_continue->setEnabled(true);
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
