#pragma once

// The Qt application object that queued calls and event loops need: the
// one that exists, else one made for the rest of the test program.
void EnsureTestApplication();
