#pragma once

#include <string>

// Message texts of the program, looked up by their number. An unknown
// number yields an empty text.
std::string LoadString(int id);

// printf-style formatting into a std::string, for the "%s"/"%d" texts of
// the string table and the log.
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
