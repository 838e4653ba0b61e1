// Where the main window opens the dialogs of its commands. Each function
// returns true when the dialog closed with OK (and changed the session or
// settings as its dialog describes).
#include "scan/FileRecordArray.h"
#include "ui/KorvaneDlg.h"

bool CKorvaneDlg::OpenFolderDialog(const FolderDialogRequest&)
{
    return false;
}

bool CKorvaneDlg::OpenManageSetsDialog()
{
    return false;
}

bool CKorvaneDlg::OpenScheduleDialog(CScheduler&)
{
    return false;
}

bool CKorvaneDlg::OpenSettingsDialog()
{
    return false;
}

void CKorvaneDlg::OpenLogViewer()
{
}

bool CKorvaneDlg::ViewFoldersAvailable() const
{
    return false;
}

void CKorvaneDlg::OpenViewFolders(const CFileRecordArray&)
{
}
