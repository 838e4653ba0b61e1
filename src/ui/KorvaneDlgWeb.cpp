// The Help menu's web commands: the Check For Updates window, the feedback
// form, the online support page and the local user manual.
#include "core/Prompter.h"
#include "ui/CheckForUpdatesDlg.h"
#include "ui/FeedbackDlg.h"
#include "ui/KorvaneDlg.h"
#include "ui/UiContext.h"
#include "web/Connectivity.h"
#include "web/WebEndpoint.h"
#include "web/WebLinks.h"
#include "web/WebTexts.h"

bool CKorvaneDlg::Connected() const
{
    return m_services.Connected ? m_services.Connected() : CConnectivity::Connected();
}

void CKorvaneDlg::CheckForUpdates()
{
    if (!Connected()) {
        m_context.Prompter().MessageBox(WebTexts::kNotConnected, MbOk | MbIconInformation);
        return;
    }
    CCheckForUpdatesDlg dialog(this);
    dialog.Retrieve(CWebEndpoint::FromSettings(m_context.Settings()));
    dialog.exec();
}

void CKorvaneDlg::Feedback()
{
    if (!Connected()) {
        m_context.Prompter().MessageBox(WebTexts::kNotConnected, MbOk | MbIconInformation);
        return;
    }
    CFeedbackDlg dialog(CWebEndpoint::FromSettings(m_context.Settings()), m_context.Prompter(), this);
    dialog.exec();
}

void CKorvaneDlg::OnlineSupport()
{
    CWebLinks(m_context.Prompter()).OnlineSupport(CWebEndpoint::FromSettings(m_context.Settings()), Connected());
}

void CKorvaneDlg::Documentation()
{
    CWebLinks(m_context.Prompter()).Documentation(m_context.Settings().ModulePath);
}
