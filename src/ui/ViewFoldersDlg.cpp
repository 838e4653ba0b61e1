#include "ui/ViewFoldersDlg.h"

#include "ui/FileListModel.h"
#include "ui/Icons.h"
#include "ui/LayoutHelper.h"
#include "ui/ReportView.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QUrl>

namespace {

constexpr int kDesignWidth = 626;
constexpr int kDesignHeight = 401;

bool OpenWithDesktop(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace

CViewFoldersDlg::CViewFoldersDlg(const CFileRecordArray& records, const QString& title, bool gridLines, QWidget* parent)
    : CMyDialog(parent)
    , m_opener(OpenWithDesktop)
{
    setObjectName(QStringLiteral("viewFoldersDlg"));
    setWindowTitle(title.isEmpty() ? QStringLiteral("View Folders") : title);
    setWindowIcon(CIcons::Application());
    m_group = new QGroupBox(this);
    m_model = new CFileListModel(this);
    m_list = new QTableView(this);
    SetUpReportView(*m_list, *m_model, gridLines);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    Place(m_group, 8, 4, 610, 350);
    Place(m_list, 16, 22, 594, 324);
    Place(m_ok, 538, 364, 80, 26);
    SizeToDesign(kDesignWidth, kDesignHeight);
    SetReferenceSize(width(), height());
    SetUpDialog();
    Layout()->Enable(true);
    Layout()->AddItem(m_group, 0, 0, 100, 100);
    Layout()->AddItem(m_list, 0, 0, 100, 100);
    Layout()->AddItem(m_ok, 100, 100, 0, 0);
    const double scale = ScaleX();
    m_list->setColumnWidth(CFileListModel::Size, Dx(static_cast<int>(80 * scale)));
    m_list->setColumnWidth(CFileListModel::Modified, Dx(static_cast<int>(150 * scale)));
    // The name column takes every later change of the list's width.
    m_list->horizontalHeader()->setSectionResizeMode(CFileListModel::Name, QHeaderView::Stretch);
    SetPlacementKey("Settings\\View Folders");

    // Sorting is switched on while the list is still empty, so the records
    // are sorted once, as they are filled.
    m_list->horizontalHeader()->setSortIndicator(CFileListModel::Name, Qt::AscendingOrder);
    m_list->setSortingEnabled(true);
    m_model->SetRecords(records);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_list, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { OpenRow(index.row()); });
}

void CViewFoldersDlg::OpenRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QString path = m_model->Path(row);
    if (m_opener(path))
        return;
    QMessageBox::warning(this, QStringLiteral("Korvane"), QStringLiteral("Failed to open '%1'.").arg(path));
}
