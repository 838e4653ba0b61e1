// The three login exchanges of CMailConnection.
#include "mail/Base64Codec.h"
#include "mail/HmacMd5.h"
#include "mail/MailConnection.h"

#include <cstdio>

namespace {

std::string HexDigest(const std::array<unsigned char, 16>& digest)
{
    std::string text;
    char pair[3];
    for (const unsigned char byte : digest) {
        std::snprintf(pair, sizeof(pair), "%02x", byte);
        text += pair;
    }
    return text;
}

// A login step that failed reports its diagnostic; the exchange then ends.
bool Step(CMailConnection& connection, bool ok, const char* failure)
{
    if (!ok)
        connection.ReportFailure(failure);
    return ok;
}

} // namespace

std::string CMailConnection::Challenge() const
{
    return m_lastReplyText.size() > 4 ? m_lastReplyText.substr(4) : std::string();
}

// The LOGIN mechanism's prompts vary between servers ("Username:",
// "User Name", with or without a trailing zero byte) and clients are to
// ignore their wording: the first 334 asks for the user name, the second for
// the password.
bool CMailConnection::AuthLogin(const std::string& user, const std::string& password)
{
    constexpr const char* kWhere = "CMailConnection::AuthLogin, ";
    const auto step
        = [&](bool ok, const char* failure) { return Step(*this, ok, (std::string(kWhere) + failure).c_str()); };
    if (!step(SendCommand("AUTH LOGIN\r\n"), "An unexpected error occurred while sending the AUTH command")
        || !step(AwaitReply(334, false), "Server does not support AUTH LOGIN"))
        return false;
    CBase64Codec codec;
    codec.EncodeText(user.c_str());
    if (!step(SendCommand(std::string(codec.EncodedText()) + "\r\n"),
            "An unexpected error occurred while sending the username")
        || !step(AwaitReply(334, false), "Server did not respond correctly to AUTH LOGIN username field"))
        return false;
    codec.EncodeText(password.c_str());
    return step(SendCommand(std::string(codec.EncodedText()) + "\r\n"),
               "An unexpected error occurred while sending the password")
        && step(AwaitReply(235, false), "AUTH LOGIN authentication was unsuccessful");
}

// The same exchange with the credentials as plain text; the prompts' wording
// is ignored here too, so a server that words them differently neither waits
// for a user name that never comes nor is left without the password.
bool CMailConnection::AuthLoginPlain(const std::string& user, const std::string& password)
{
    constexpr const char* kWhere = "CMailConnection::AuthLoginPlain, ";
    const auto step
        = [&](bool ok, const char* failure) { return Step(*this, ok, (std::string(kWhere) + failure).c_str()); };
    if (!step(SendCommand("AUTH LOGIN PLAIN\r\n"), "An unexpected error occurred while sending the AUTH command")
        || !step(AwaitReply(334, false), "Server does not support AUTH LOGIN PLAIN"))
        return false;
    if (!step(SendCommand(user + "\r\n"), "An unexpected error occurred while sending the username")
        || !step(AwaitReply(334, false), "Server did not response correctly to AUTH LOGIN PLAIN username field"))
        return false;
    return step(SendCommand(password + "\r\n"), "An unexpected error occurred while sending the password")
        && step(AwaitReply(235, false), "AUTH LOGIN PLAIN authentication was unsuccessful");
}

bool CMailConnection::CramLogin(const std::string& user, const std::string& password)
{
    constexpr const char* kWhere = "CMailConnection::CramLogin, ";
    const auto step
        = [&](bool ok, const char* failure) { return Step(*this, ok, (std::string(kWhere) + failure).c_str()); };
    if (!step(SendCommand("AUTH CRAM-MD5\r\n"), "An unexpected error occurred while sending the AUTH command")
        || !step(AwaitReply(334, false), "Server does not support AUTH CRAM-MD5"))
        return false;
    CBase64Codec codec;
    codec.DecodeText(Challenge().c_str());
    const std::string challenge(reinterpret_cast<const char*>(codec.DecodedData()));
    const std::string response = user + " " + HexDigest(HmacMd5(password, challenge));
    codec.EncodeText(response.c_str());
    return step(SendCommand(std::string(codec.EncodedText()) + "\r\n"),
               "An unexpected error occurred while sending the username")
        && step(AwaitReply(235, false), "AUTH CRAM-MD5 authentication was unsuccessful");
}
