#include "app/PasswordKeeper.h"

#include "StringTable.h"
#include "core/SettingsHolder.h"
#include "platform/PasswordStore.h"

#include <utility>

// Shared with the keyring's answers, which may come after the keeper is
// gone: they then change nothing.
struct CPasswordKeeper::State {
    CSettingsHolder& settings;
    CPasswordStore& passwords;
    Report report;
    int generation = 0;

    void Tell(int id, const std::string& reason) const
    {
        if (report)
            report(FormatString(LoadString(id).c_str(), reason.c_str()));
    }
};

namespace {

using Operation = CPasswordStore::Operation;
constexpr const char* kKey = SettingsRecord::kSmtpPasswordKey;

} // namespace

CPasswordKeeper::CPasswordKeeper(CSettingsHolder& settings, CPasswordStore& passwords, Report report)
    : m_state(std::make_shared<State>(State { settings, passwords, std::move(report) }))
{
}

CPasswordKeeper::~CPasswordKeeper() = default;

void CPasswordKeeper::Apply(SettingsRecord record)
{
    const int generation = ++m_state->generation;
    const bool wasInKeyring = m_state->settings.Get()->Scheduler.SMTPPasswordInKeyring != 0;
    const bool toKeyring = record.Scheduler.SMTPPasswordInKeyring != 0;
    auto& scheduler = record.Scheduler;
    const std::string password = std::exchange(scheduler.SMTPPassword, std::string());

    if (!wasInKeyring && !toKeyring) {
        scheduler.SMTPPassword = password;
        m_state->settings.Apply(std::move(record));
    } else if (!wasInKeyring) {
        // The file keeps the password until the keyring holds it.
        scheduler.SMTPPasswordInKeyring = 0;
        scheduler.SMTPPassword = password;
        m_state->settings.Apply(std::move(record));
        StoreInKeyring(password, generation, true);
    } else if (toKeyring) {
        m_state->settings.Apply(std::move(record));
        if (!password.empty())
            StoreInKeyring(password, generation, false);
    } else if (!password.empty()) {
        // A password typed anew goes to the file; the keyring's copy is
        // of no more use.
        scheduler.SMTPPassword = password;
        m_state->settings.Apply(std::move(record));
        RemoveFromKeyring(m_state);
    } else {
        // The keyring stays in use until its password is back in the file.
        scheduler.SMTPPasswordInKeyring = 1;
        m_state->settings.Apply(std::move(record));
        TakeBackFromKeyring(generation);
    }
}

void CPasswordKeeper::StoreInKeyring(const std::string& password, int generation, bool switchOn)
{
    std::weak_ptr<State> weak = m_state;
    m_state->passwords.CallAsync(
        Operation::Write, kKey, password, [weak, generation, switchOn](const PasswordResult& result) {
            const auto state = weak.lock();
            if (!state || state->generation != generation)
                return;
            if (!result.Ok()) {
                state->Tell(switchOn ? 57790 : 57791, result.reason);
                return;
            }
            if (!switchOn)
                return;
            state->settings.ApplyEdit([](SettingsRecord& settings) {
                settings.Scheduler.SMTPPasswordInKeyring = 1;
                settings.Scheduler.SMTPPassword.clear();
            });
        });
}

void CPasswordKeeper::TakeBackFromKeyring(int generation)
{
    std::weak_ptr<State> weak = m_state;
    m_state->passwords.CallAsync(Operation::Read, kKey, {}, [weak, generation](const PasswordResult& result) {
        const auto state = weak.lock();
        if (!state || state->generation != generation)
            return;
        if (result.status == PasswordResult::Status::Unreachable) {
            state->Tell(57792, result.reason);
            return;
        }
        // A keyring without an entry had an empty password to give back.
        const std::string password = result.Ok() ? result.password : std::string();
        state->settings.ApplyEdit([&password](SettingsRecord& settings) {
            settings.Scheduler.SMTPPasswordInKeyring = 0;
            settings.Scheduler.SMTPPassword = password;
        });
        RemoveFromKeyring(weak);
    });
}

void CPasswordKeeper::RemoveFromKeyring(const std::weak_ptr<State>& weak)
{
    const auto state = weak.lock();
    if (!state)
        return;
    state->passwords.CallAsync(Operation::Remove, kKey, {}, [weak](const PasswordResult& result) {
        const auto state = weak.lock();
        if (state && !result.Ok())
            state->Tell(57793, result.reason);
    });
}
