#include "ui/UiContext.h"

#include "app/PasswordKeeper.h"
#include "core/Prompter.h"

#include <utility>

CUiContext::CUiContext(CSession& session, CSettingsHolder& settings, CActionFlags& flags, CPrompter& prompter,
    const CommandLineRequest& request)
    : m_session(session)
    , m_settings(settings)
    , m_flags(flags)
    , m_prompter(prompter)
    , m_request(request)
{
}

CUiContext::~CUiContext() = default;

void CUiContext::SetPasswords(CPasswordStore* passwords)
{
    m_passwords = passwords;
    m_keeper.reset();
    if (passwords == nullptr)
        return;
    m_keeper = std::make_unique<CPasswordKeeper>(
        m_settings, *passwords, [this](const std::string& text) { m_prompter.MessageBox(text, MbOk | MbIconError); });
}

void CUiContext::ApplySettings(SettingsRecord record)
{
    if (m_keeper)
        m_keeper->Apply(std::move(record));
    else
        m_settings.Apply(std::move(record));
}
