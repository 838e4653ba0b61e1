#pragma once

class CKorvaneApp;

// The windows (Qt Widgets and everything only they need) are a library of
// their own, loaded only when a run is about to show them: a run without
// windows (cron, the scheduler service, any command-line run) then never
// maps, relocates or starts the window libraries.
class CWindowsModule {
public:
    // Puts stand-ins for the window hooks in place; the first one called
    // (preparing the windows) loads the library and hands over to its hooks.
    // A library that is missing or does not load is named on standard error
    // with the loader's reason, and the run that wanted windows ends.
    static void Install(CKorvaneApp& app, int& argc, char** argv);
};
