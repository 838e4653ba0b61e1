#pragma once

struct WindowHooks;

// Gives the application its windows: the Qt application object and prompter
// once start-up knows that windows will be shown, and the main window that
// runs until the program ends. The program reaches it through the windows
// library's entry point (see CWindowsModule), which this library exports
// under the name kWindowHooksEntry.
void MakeWindowHooks(WindowHooks& hooks, int& argc, char** argv);
extern "C" __attribute__((visibility("default"))) void KorvaneWindowHooks(WindowHooks& hooks, int& argc, char** argv);
