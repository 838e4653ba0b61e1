// The three login exchanges of CMailConnection.
#include "mail/Base64Codec.h"
#include "mail/HmacMd5.h"
#include "mail/MailConnection.h"

#include <cstdio>
#include <cstring>

namespace {

// The prompt must match including its terminating zero, so "Username:x" or
// a prompt cut short does not pass.
bool DecodedEquals(const CBase64Codec& codec, const char* expected)
{
    return std::memcmp(codec.DecodedData(), expected, std::strlen(expected) + 1) == 0;
}

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

} // namespace

std::string CMailConnection::Challenge() const
{
    return m_lastReplyText.size() > 4 ? m_lastReplyText.substr(4) : std::string();
}

bool CMailConnection::AuthLogin(const std::string& user, const std::string& password)
{
    if (!SendCommand("AUTH LOGIN\r\n")) {
        ReportFailure("CMailConnection::AuthLogin, An unexpected error occurred while sending the AUTH command");
        return false;
    }
    if (!AwaitReply(334, false)) {
        ReportFailure("CMailConnection::AuthLogin, Server does not support AUTH LOGIN");
        return false;
    }
    CBase64Codec codec;
    codec.DecodeText(Challenge().c_str());
    if (!DecodedEquals(codec, "Username:")) {
        ReportFailure("CMailConnection::AuthLogin, An unexpected request received when expecting username request");
        return false;
    }
    codec.EncodeText(user.c_str());
    if (!SendCommand(std::string(codec.EncodedText()) + "\r\n")) {
        ReportFailure("CMailConnection::AuthLogin, An unexpected error occurred while sending the username");
        return false;
    }
    if (!AwaitReply(334, false)) {
        ReportFailure("CMailConnection::AuthLogin, Server did not respond correctly to AUTH LOGIN username field");
        return false;
    }
    codec.DecodeText(Challenge().c_str());
    if (!DecodedEquals(codec, "Password:")) {
        ReportFailure("CMailConnection::AuthLogin, An unexpected request received when expecting password request");
        return false;
    }
    codec.EncodeText(password.c_str());
    if (!SendCommand(std::string(codec.EncodedText()) + "\r\n")) {
        ReportFailure("CMailConnection::AuthLogin, An unexpected error occurred while sending the password");
        return false;
    }
    if (!AwaitReply(235, false)) {
        ReportFailure("CMailConnection::AuthLogin, AUTH LOGIN authentication was unsuccessful");
        return false;
    }
    return true;
}

bool CMailConnection::AuthLoginPlain(const std::string& user, const std::string& password)
{
    if (!SendCommand("AUTH LOGIN PLAIN\r\n")) {
        ReportFailure("CMailConnection::AuthLoginPlain, An unexpected error occurred while sending the AUTH command");
        return false;
    }
    if (!AwaitReply(334, false)) {
        ReportFailure("CMailConnection::AuthLoginPlain, Server does not support AUTH LOGIN PLAIN");
        return false;
    }
    if (Challenge() == "Username:" && !SendCommand(user + "\r\n")) {
        ReportFailure("CMailConnection::AuthLoginPlain, An unexpected error occurred while sending the username");
        return false;
    }
    if (!AwaitReply(334, false)) {
        ReportFailure(
            "CMailConnection::AuthLoginPlain, Server did not response correctly to AUTH LOGIN PLAIN username field");
        return false;
    }
    if (Challenge() != "Password:")
        return true;
    if (!SendCommand(password + "\r\n")) {
        ReportFailure("CMailConnection::AuthLoginPlain, An unexpected error occurred while sending the password");
        return false;
    }
    if (!AwaitReply(235, false)) {
        ReportFailure("CMailConnection::AuthLoginPlain, AUTH LOGIN PLAIN authentication was unsuccessful");
        return false;
    }
    return true;
}

bool CMailConnection::CramLogin(const std::string& user, const std::string& password)
{
    if (!SendCommand("AUTH CRAM-MD5\r\n")) {
        ReportFailure("CMailConnection::CramLogin, An unexpected error occurred while sending the AUTH command");
        return false;
    }
    if (!AwaitReply(334, false)) {
        ReportFailure("CMailConnection::CramLogin, Server does not support AUTH CRAM-MD5");
        return false;
    }
    CBase64Codec codec;
    codec.DecodeText(Challenge().c_str());
    const std::string challenge(reinterpret_cast<const char*>(codec.DecodedData()));
    const std::string response = user + " " + HexDigest(HmacMd5(password, challenge));
    codec.EncodeText(response.c_str());
    if (!SendCommand(std::string(codec.EncodedText()) + "\r\n")) {
        ReportFailure("CMailConnection::CramLogin, An unexpected error occurred while sending the username");
        return false;
    }
    if (!AwaitReply(235, false)) {
        ReportFailure("CMailConnection::CramLogin, AUTH CRAM-MD5 authentication was unsuccessful");
        return false;
    }
    return true;
}
