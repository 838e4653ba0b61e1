#pragma once

#include <string>

// An item a run failed on and went on without (Ignore, asked or assumed, or
// a failure there was nothing to retry): the path the user knows it by and
// why it failed, one line each.
struct FailedItem {
    std::string Path;
    std::string Reason;

    bool operator==(const FailedItem&) const = default;
};
