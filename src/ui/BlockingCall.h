#pragma once

#include <functional>

class QObject;

// Runs call on receiver's thread and waits until it has returned: for
// another thread that waits on the interface thread. What call wrote is
// visible to the caller afterwards.
void CallBlocking(QObject* receiver, const std::function<void()>& call);
