#pragma once

#include <string>

// One mailbox: an optional display name and the bare address that goes into
// MAIL FROM and RCPT TO.
class CMailAddress {
public:
    CMailAddress() = default;
    CMailAddress(std::string displayName, std::string address);

    // "Name <box@host>" or a bare address; text without a usable angle-bracket
    // pair is taken whole as the address.
    void ParseAddress(const std::string& text);
    std::string FormatForHeader(bool encode, const std::string& charset) const;

    std::string DisplayName;
    std::string Address;
};

// White space trimmed at both ends.
std::string TrimText(const std::string& text);
