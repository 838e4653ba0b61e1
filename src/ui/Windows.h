#pragma once

class CKorvaneApp;

// Gives the application its windows: the Qt application object and prompter
// once start-up knows that windows will be shown, and the main window that
// runs until the program ends.
void InstallWindows(CKorvaneApp& app, int& argc, char** argv);
