#pragma once

#include <string>

// Button sets, icons and answers of a question to the user. The numbers are
// those of the message boxes the program's texts were written for; the
// answers Abort (3), Retry (4) and Ignore (5) double as the engine's file
// operation results.
enum PromptStyle : unsigned {
    MbOk = 0x0,
    MbOkCancel = 0x1,
    MbAbortRetryIgnore = 0x2,
    MbYesNoCancel = 0x3,
    MbYesNo = 0x4,
    MbRetryCancel = 0x5,
    MbButtonMask = 0xF,
    MbIconError = 0x10,
    MbIconQuestion = 0x20,
    MbIconWarning = 0x30,
    MbIconInformation = 0x40,
    MbIconMask = 0xF0,
    MbTopmost = 0x40000,
};

enum PromptAnswer : int {
    IdOk = 1,
    IdCancel = 2,
    IdAbort = 3,
    IdRetry = 4,
    IdIgnore = 5,
    IdYes = 6,
    IdNo = 7,
};

// A file name question (the save and open dialogs of sessions and logs).
struct FileDialogRequest {
    std::string title;            // "Save Session"
    std::string filter;           // "Korvane Files (*.kvf)"
    std::string defaultExtension; // "kvf"
    bool save = false;            // save dialog, else open dialog
    bool mustExist = false;       // open: the file must exist
};

// Every question the program asks goes through this interface, so the same
// code serves the windows, the console and the tests.
class CPrompter {
public:
    virtual ~CPrompter() = default;

    // Shows text with the buttons and icon of style; returns the answer
    // (IdOk ... IdNo).
    virtual int MessageBox(const std::string& text, unsigned style) = 0;

    // Asks for a file name; false when the user cancelled.
    virtual bool AskFileName(const FileDialogRequest& request, std::string& path) = 0;
};
