#pragma once

// Whether the standard streams are attached to a terminal, and its width:
// the console prompter asks only on a terminal, and the progress bar is drawn
// only there.
class CTerminal {
public:
    static bool InputIsTerminal();
    static bool ErrorIsTerminal();
    static bool OutputIsTerminal();
    // Columns of the terminal on standard error; 80 when unknown.
    static int ErrorColumns();
    // True when a graphical display is available (DISPLAY or WAYLAND_DISPLAY).
    static bool HasDisplay();
};
