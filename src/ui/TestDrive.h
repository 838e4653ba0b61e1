#pragma once

class CKorvaneDlg;

// The end-to-end tests' hand on a windowed run (KORVANE_TEST_DRIVE set):
// presses Execute, Continue in the file information window and OK in the
// summary, writes the summary's lines to standard output, and ends the
// program when the run is over. Nothing of it happens without the variable.
class CTestDrive {
public:
    static bool Wanted();
    static void Start(CKorvaneDlg& window);
};
