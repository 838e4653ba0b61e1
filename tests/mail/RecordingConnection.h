#pragma once

#include "mail/MailConnection.h"

#include <string>
#include <vector>

// A connection that keeps every diagnostic text.
class RecordingConnection : public CMailConnection {
public:
    using CMailConnection::CMailConnection;

    void ReportFailure(const std::string& text) override { Failures.push_back(text); }

    bool Reported(const std::string& part) const
    {
        for (const auto& text : Failures) {
            if (text.find(part) != std::string::npos)
                return true;
        }
        return false;
    }

    std::vector<std::string> Failures;
};
