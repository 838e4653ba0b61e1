#pragma once

#include "mail/MailMessage.h"
#include "mail/SummaryMailer.h"

#include <memory>
#include <string>

class CClock;
class CMailConnection;
class CPasswordStore;

// The summary e-mail of a scheduled event, sent over SMTP. Texts on Linux are
// UTF-8, so the message names its charset "UTF-8".
class CSummaryMail : public CSummaryMailer {
public:
    // passwords: where a password kept outside the settings is read
    // (SmtpOptions::PasswordKey); none: such a mail fails.
    explicit CSummaryMail(CPasswordStore* passwords = nullptr);
    CSummaryMail(const CClock& clock, CMailMessage::BoundarySource newBoundary, CPasswordStore* passwords = nullptr);

    bool Send(const SummaryMailData& data, const SmtpOptions& options, std::string& failure) override;

    // The body text, one line per count, labels right-aligned to nine characters.
    static std::string BuildSummaryText(const SummaryMailData& data);
    // The message as it is handed to the connection.
    void Compose(const SummaryMailData& data, CMailMessage& message) const;

    static constexpr const char* kSenderName = "Korvane";
    static constexpr const char* kSenderAddress = "no-reply@korvane.invalid";
    static constexpr const char* kSubject = "Scheduled Event";

protected:
    // The connection used by Send; tests may supply their own.
    virtual std::unique_ptr<CMailConnection> MakeConnection();

private:
    const CClock& m_clock;
    CMailMessage::BoundarySource m_newBoundary;
    CPasswordStore* m_passwords;
};
