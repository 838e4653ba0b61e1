#pragma once

#include <string>

// Whole-file access for the small text files the program keeps beside its
// settings (desktop entries, MIME packages, mimeapps.list).

// Reads the whole file; false when it cannot be opened or read.
bool ReadSmallFile(const std::string& path, std::string& contents);

// Replaces the file by contents in one step: written to a temporary file in
// the same folder, flushed, then renamed over the old one, so a crash never
// leaves a half-written file. A symbolic link is followed and stays a link;
// an existing file keeps its mode, a new one gets mode. Missing parent
// folders are created (mode 0700, as the base directory rules want).
// Returns false on any failure.
bool WriteSmallFile(const std::string& path, const std::string& contents, unsigned mode = 0644);

// Result of DeleteSmallFile.
enum class DeleteResult { Deleted, Absent, Failed };

// Deletes a file (never a folder).
DeleteResult DeleteSmallFile(const std::string& path);

bool SmallFileExists(const std::string& path);

// True when both paths name the same file (after following links) or are
// the same text.
bool PathsNameSameFile(const std::string& first, const std::string& second);
