#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// Turning stored folder texts into paths and values into display texts.
// No state is kept between calls; every function is safe on any thread.
// Times come in as arguments, so callers take them from their CClock.

// Replaces %NAME% environment references (unknown names stay as written),
// then the tags <COMPUTER> <USER> <YEAR> <MONTH> <MONTHNAME> <DAY> <WEEKDAY>
// <WEEKNUMBER> <HOUR12> <AMPM> <HOUR24> <MINUTE> <PROFILE> <USERPROFILE>
// <COMMONPROFILE>, in that order, case-sensitively; every date tag uses now
// in local time. A text with neither '<' nor '%' comes back unchanged.
std::string ExpandPathTags(const std::string& text, std::time_t now);

// "-", "N bytes", or two decimals of kB, MB, GB, TB (powers of 1024).
std::string FormatSize(std::uint64_t bytes);

// A text shorter than max comes back unchanged; otherwise the first 20% and
// the last 80% of max characters joined by "...".
std::string ShortenText(const std::string& text, int max);

// The name a backup gives the folder: "/" and the last component ("/data/Work"
// gives "/Work"), trailing '/' ignored; the file system root gives "/Root"
// and its drive label ("/Root [Fixed Drive]"). An empty path gives "".
std::string FolderDisplayName(const std::string& path);

// The system's text of an errno value, or "Operation failed.".
std::string SystemErrorText(int code);

// Text made safe for a terminal: control characters (C0, DEL and the C1
// range) and bytes that are not UTF-8 are written as C escapes ("\n",
// "\x1b", "\u009b"), so a file name cannot move the cursor, clear the
// screen or retitle the window. The result is one line: every text that
// goes to standard error or into the activity log passes through here.
std::string TerminalSafeText(const std::string& text);

// Why a file could not be used, for the end of a message: the system's text
// and number ("Permission denied (error: 13)"), or, for FileIo's
// kNotRegularFile, that the path is a FIFO, socket or device.
std::string FailureReasonText(int code);

// Local date and time in the user's locale ("%x %X"); "" when t cannot be
// converted.
std::string FormatLocalDateTime(std::time_t t);

// strftime of t in local time; "" for an empty format, a failed conversion
// or a result longer than 127 bytes.
std::string FormatTime(std::time_t t, const std::string& format);
