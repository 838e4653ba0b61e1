#include "log/ActivityLog.h"

#include "StringTable.h"
#include "core/Prompter.h"
#include "platform/Clock.h"
#include "platform/FileIo.h"
#include "platform/PathParts.h"
#include "platform/XdgPaths.h"
#include "scan/PathFormat.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kHeader = "Korvane [LOGVERSION 002]\n-\n";

// The Windows C runtime's text mode turns every line feed into CR LF.
std::string ToDiskText(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string VFormat(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0)
        return {};
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(needed));
}

} // namespace

CActivityLog::CActivityLog(bool logActivate, std::string logFileName, CPrompter& prompter, CClock& clock)
    : m_active(logActivate)
    , m_fileName(EffectiveFileName(logFileName))
    , m_makeFolder(logFileName.empty())
    , m_prompter(prompter)
    , m_clock(clock)
{
}

std::string CActivityLog::EffectiveFileName(const std::string& logFileName)
{
    return logFileName.empty() ? XdgStateHome() + "/korvane/korvane.log" : logFileName;
}

int CActivityLog::WriteEvent(int type, int action, const char* format, ...)
{
    if (!m_active)
        return 1;
    va_list args;
    va_start(args, format);
    std::string message = VFormat(format, args);
    va_end(args);
    return WriteText(type, action, message);
}

std::string CActivityLog::FormatRecord(
    std::uint64_t seconds, std::uint32_t tick, int type, int action, const std::string& message)
{
    // The tick is written signed, as the Windows program does; readers take
    // it back as unsigned.
    // A line break inside a message (a file name may hold one) would end the
    // record early and let the rest pass for a forged record of its own; an
    // escape sequence would drive the terminal of whoever reads the log with
    // cat or tail. Every control character is written as its C escape, as on
    // the terminal. The reader takes either kind of record: it never unescapes.
    return FormatString(
               "%llu.%d\t%d\t%d\t", static_cast<unsigned long long>(seconds), static_cast<int>(tick), type, action)
        + TerminalSafeText(message);
}

int CActivityLog::WriteText(int type, int action, const std::string& message)
{
    if (!m_active)
        return 1;
    const auto seconds = static_cast<std::uint64_t>(m_clock.Now());
    const std::string record = FormatRecord(seconds, m_clock.TickCount(), type, action, message) + '\n';
    // A name the user chose is used as it stands: its folder is theirs to make.
    if (m_makeFolder.exchange(false))
        MakeUserFolders(PathParts::FolderOf(m_fileName));
    // One write per record keeps records whole when two writers meet. A
    // FIFO as the log would hang the run; it is refused like any file that
    // cannot be written.
    if (const int error = FileIo::AppendToFile(m_fileName, ToDiskText(record), ToDiskText(kHeader)); error != 0) {
        m_prompter.MessageBox(
            LoadString(57714) + "\n\n" + m_fileName + ": " + FailureReasonText(error), MbOk | MbIconError);
        return -1;
    }
    return 1;
}
