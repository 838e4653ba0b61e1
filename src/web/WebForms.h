#pragma once

#include <optional>
#include <string>

// The form requests Korvane sends to its vendor's web server and the answers
// it reads back. Plain text in, plain text out: no network here, so the
// hostile half (the answer) can be fuzzed on its own.
namespace WebForms {

inline constexpr const char* kScript = "/cgi-bin/korvane.cgi";
inline constexpr const char* kProtocol = "1.0";
inline constexpr const char* kApplication = "Korvane";
inline constexpr const char* kVersion = "1.4";
inline constexpr const char* kContentType = "application/x-www-form-urlencoded";

// "Action=CheckForUpdates&Protocol=1.0&Application=Korvane&Version=1.4".
std::string UpdateCheckBody();

// The query of the online support page, from "?" on.
std::string OnlineSupportQuery();

// What the feedback form sends beside the user's own words.
struct SystemFields {
    std::string OsType; // "Linux"
    std::string Version; // kernel "major.minor"
    std::string Build; // kernel patch level
    std::string LangId; // the desktop's language, "en_US"
    std::string Additional; // the distribution's name
};

// The five values the user chose and typed, as shown (not yet encoded).
struct FeedbackFields {
    std::string About;
    std::string Problem;
    std::string Used;
    std::string Email;
    std::string Comment;
};

// The feedback body, every value encoded by EncodeValue.
std::string FeedbackBody(const FeedbackFields& fields, const SystemFields& system);

// Encodes one form value. Letters, digits and "-._~" stay; every other byte
// becomes %XX, so "&", "=" and "+" in a comment can no longer cut it short
// or turn into spaces at the server. A line break (LF, CR LF or a lone CR)
// is sent as "%0D" followed by a raw line feed: the bytes the server has
// always been given for one.
std::string EncodeValue(const std::string& value);

// The answer as the update check reads it: its first ten lines, each
// preceded by "\n" (missing lines are empty).
std::string FirstTenLines(const std::string& answer);

// The text between the first "<LATEST>" and the first "</LATEST>" (tags
// found without regard to case), when both are there in that order.
std::optional<std::string> LatestVersion(const std::string& answer);

// True when latest names another version than the running one (case
// ignored; any other version counts, older ones too).
bool IsOtherVersion(const std::string& latest);

} // namespace WebForms
