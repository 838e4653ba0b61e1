#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CPrompter;
class CSession;
class CSet;
class CXmlDocument;

// The session file (.kvf): written as XML format "003", read in that format
// and in the two older text formats. Files keep the Windows program's
// text-mode bytes, so the same session gives the same file on both systems.
class CSessionFile {
public:
    // The first line of every XML session file.
    static constexpr std::string_view kDeclaration = "<?xml version=\"1.0\"?>\r\n";
    // Far beyond any real session; keeps a stray pick in the open dialog (or a
    // hostile file) from filling the memory.
    static constexpr std::size_t kMaxFileSize = std::size_t { 256 } << 20;

    // The XML document of the session (without the declaration), lines ending
    // in CR LF.
    static std::string BuildDocument(const CSession& session);

    // Writes declaration and document, replacing the file at path as a whole.
    // 0, or -2 cannot create, -3 first line, -4 document, -5 flush/close/rename.
    static int Write(const std::string& path, const std::string& document);

    // Reads the file at path into session, whose sets must be empty. 0, -1 a
    // newer format (57695 shown), -2 cannot open, -3 empty file, -5 read
    // error, -6 close error, -7 not a session file (neither a text format
    // nor XML with a SESSION root). For a code below -1, reason (when given)
    // receives why, to be shown after the failure message.
    static int Read(const std::string& path, CSession& session, CPrompter& prompter, std::string* reason = nullptr);

    // Windows text mode: every LF is written as CR LF, and CR LF is read as LF.
    static std::string ToDiskBytes(std::string_view text);
    static std::string FromDiskBytes(std::string_view bytes);

    // The C runtime's atol on a 32-bit long: leading white space, a sign,
    // digits; 0 without digits, clamped on overflow.
    static std::int32_t ToNumber(std::string_view text);

private:
    static int ReadFile(const std::string& path, CSession& session, CPrompter& prompter, std::string& reason);
    static int ReadXml(const std::string& text, CSession& session, CPrompter& prompter, std::string& reason);
    static void ReadSets(CXmlDocument& document, CSession& session);
    static void ReadSet(CXmlDocument& document, CSet& set);
};
