#pragma once

#include "app/KorvaneApp.h"

// What the windows library gives the application: the three hooks of
// CKorvaneApp that run the windows.
struct WindowHooks {
    CKorvaneApp::PrepareWindows prepare;
    CKorvaneApp::MainWindow mainWindow;
    CKorvaneApp::InstanceGuard instanceGuard;
};

// The windows library's one entry point, looked up by this name when the
// library is loaded. It fills hooks; argc and argv are the program's own,
// which the Qt application object keeps references to.
using WindowHooksEntry = void (*)(WindowHooks& hooks, int& argc, char** argv);
inline constexpr const char* kWindowHooksEntry = "KorvaneWindowHooks";
