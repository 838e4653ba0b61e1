#pragma once

#include <ctime>

class CScheduler;

// Sets NextDue (the first occurrence strictly after now) and PreviousDue (the
// occurrence before it) from the schedule's condition and local time.
void ComputeDueTimes(CScheduler& schedule, std::time_t now);
