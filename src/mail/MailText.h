#pragma once

#include <ctime>
#include <string>

// Text helpers of the mail composition: header word encoding, the SMTP
// transparency step and the date line.

// Texts below the interface are UTF-8 already, so this is the identity; it is
// kept so the places that name the conversion stay visible.
std::string ToUtf8(const std::string& text);

// Whether a charset name means UTF-8 (letter case ignored).
bool IsUtf8Charset(const std::string& charset);

// A header value as one or more RFC 2047 "q" words, 70 bytes per chunk; a
// chunk of plain ASCII stays as it is. Line breaks inside the text become
// spaces, so no value can start a header line of its own.
std::string EncodeHeaderText(const std::string& text, const std::string& charset);
std::string EncodeHeaderChunk(const std::string& chunk, const std::string& charset);

// SMTP transparency: a line that begins with "." gets a second "."; the
// text itself is taken to start at the beginning of a line.
std::string StuffLeadingDots(const std::string& text);

// "+0100", "-0500", "+0530" for an offset east of UTC in minutes.
std::string FormatZoneText(long offsetMinutes);

// "Tue, 03 Feb 2026 14:05:09 +0100": local time, English names.
std::string FormatMailDate(std::time_t when);
