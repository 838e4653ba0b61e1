#pragma once

#include "common/ScriptedPrompter.h"
#include "core/Session.h"

#include <gtest/gtest.h>

// A working session paired with its saved copy, as the program holds them,
// started as a new session.
struct Sessions {
    Sessions()
    {
        working.SavedCopy = &saved;
        EXPECT_EQ(working.NewSession(prompter), 0);
    }
    Sessions(const Sessions&) = delete;
    Sessions& operator=(const Sessions&) = delete;

    CSession working;
    CSession saved;
    ScriptedPrompter prompter;
};
