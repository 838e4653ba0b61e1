#pragma once

#include "mail/MailAddress.h"
#include "mail/MailBodyPart.h"

#include <functional>
#include <string>
#include <vector>

class CClock;

enum class RecipientKind { To = 0, Cc = 1, Bcc = 2 };

// A mail message: sender, recipients, subject and a tree of body parts.
// The clock (for the Date line) and the boundary source come in from
// outside so that tests can pin both.
class CMailMessage {
public:
    using BoundarySource = std::function<std::string()>;

    CMailMessage();
    CMailMessage(const CClock& clock, BoundarySource newBoundary);
    virtual ~CMailMessage();
    CMailMessage(const CMailMessage&) = delete;
    CMailMessage& operator=(const CMailMessage&) = delete;

    // Index of the address in its list, or -1 for an unknown kind.
    int AppendRecipient(const CMailAddress& address, RecipientKind kind);
    // Splits at "," and ";"; true when at least one address was added.
    bool ParseRecipientList(const std::string& text, RecipientKind kind);
    std::size_t RecipientCount(RecipientKind kind) const;
    const std::vector<CMailAddress>& Recipients(RecipientKind kind) const;

    void SetMimeMode(bool on);
    bool MimeMode() const { return m_mimeMode; }
    void AttachBodyText(const std::string& text);

    virtual std::string BuildHeaderText() const;

    CMailAddress Sender;
    std::string Subject;
    std::string MailerName = "Korvane Mailer 1.4";
    CMailAddress ReplyTo;
    CMailBodyPart Root;
    std::vector<std::string> ExtraHeaders;

private:
    std::vector<CMailAddress>* List(RecipientKind kind);
    void MakeRootMultipart();

    const CClock& m_clock;
    BoundarySource m_newBoundary;
    std::vector<CMailAddress> m_to;
    std::vector<CMailAddress> m_cc;
    std::vector<CMailAddress> m_bcc;
    bool m_mimeMode = false;
};
