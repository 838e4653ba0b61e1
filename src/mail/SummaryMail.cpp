#include "mail/SummaryMail.h"

#include "mail/MailConnection.h"
#include "mail/SmtpPassword.h"
#include "mail/Uuid.h"
#include "platform/Clock.h"

#include <cstdio>
#include <utility>

CSummaryMail::CSummaryMail(CPasswordStore* passwords)
    : CSummaryMail(CClock::System(), NewUuidText, passwords)
{
}

CSummaryMail::CSummaryMail(const CClock& clock, CMailMessage::BoundarySource newBoundary, CPasswordStore* passwords)
    : m_clock(clock)
    , m_newBoundary(std::move(newBoundary))
    , m_passwords(passwords)
{
}

std::string CSummaryMail::BuildSummaryText(const SummaryMailData& data)
{
    std::string text = " Computer: " + data.ComputerName + "\n";
    text += "     User: " + data.UserName + "\n\n";
    text += " Set Name: " + data.SetName + "\n";
    text += data.Action == 1 ? "   Action: Restore\n" : "   Action: Backup\n";
    text += "  Elapsed: " + data.ElapsedText + "\n\n";
    char line[128];
    std::snprintf(line, sizeof(line), "Processed: %d files, %d folders\n", data.ProcessedFiles, data.ProcessedFolders);
    text += line;
    std::snprintf(line, sizeof(line), "    Added: %d files, %d folders\n", data.AddedFiles, data.AddedFolders);
    text += line;
    std::snprintf(line, sizeof(line), "  Updated: %d files\n", data.UpdatedFiles);
    text += line;
    std::snprintf(line, sizeof(line), "  Deleted: %d files, %d folders\n", data.DeletedFiles, data.DeletedFolders);
    text += line;
    return text;
}

void CSummaryMail::Compose(const SummaryMailData& data, CMailMessage& message) const
{
    message.Root.Charset = "UTF-8";
    message.SetMimeMode(true);
    message.ParseRecipientList(data.Recipients, RecipientKind::To);
    message.Sender = CMailAddress(kSenderName, kSenderAddress);
    message.Subject = kSubject;
    message.AttachBodyText(BuildSummaryText(data));
}

std::unique_ptr<CMailConnection> CSummaryMail::MakeConnection()
{
    return std::make_unique<CMailConnection>();
}

bool CSummaryMail::Send(const SummaryMailData& data, const SmtpOptions& givenOptions, std::string& failure)
{
    failure.clear();
    // A keyring that cannot be asked fails the mail before any connection.
    SmtpOptions options = givenOptions;
    if (!FetchSmtpPassword(options, m_passwords, failure))
        return false;
    auto connection = MakeConnection();
    CMailMessage message(m_clock, m_newBoundary);
    Compose(data, message);
    // After a failed connect the transaction could only fail at its first
    // send, so it is not attempted.
    const bool connected = connection->Connect(options);
    const bool sent = connected && connection->SendMessage(message);
    // The server took the message with its 250; a QUIT it does not answer
    // changes nothing about that.
    if (connected)
        connection->Disconnect(true);
    if (sent)
        return true;
    failure = connection->FailureReason();
    if (failure.empty())
        failure = "the SMTP exchange failed";
    return false;
}
