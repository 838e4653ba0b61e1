#pragma once

#include "mail/SmtpOptions.h"

#include <string>

// What the summary e-mail of a scheduled event reports. The caller fills the
// names from CSystemInfo::ComputerName() and CSystemInfo::UserName().
struct SummaryMailData {
    std::string ComputerName;
    std::string UserName;
    std::string SetName;
    int Action = 0; // 0 Backup, 1 Restore
    std::string ElapsedText; // "%H:%M:%S"
    std::string Recipients; // the schedule's Email text
    int ProcessedFiles = 0;
    int ProcessedFolders = 0;
    int AddedFiles = 0;
    int AddedFolders = 0;
    int UpdatedFiles = 0;
    int UpdatedFolders = 0; // kept with the others; the mail names files only
    int DeletedFiles = 0;
    int DeletedFolders = 0;
};

// Sends the summary e-mail; the action runner holds one of these so tests can
// put a recorder in its place.
class CSummaryMailer {
public:
    virtual ~CSummaryMailer() = default;
    // False when the mail was not sent; failure then says why (the server's
    // reply or the system's error text).
    virtual bool Send(const SummaryMailData& data, const SmtpOptions& options, std::string& failure) = 0;
};
