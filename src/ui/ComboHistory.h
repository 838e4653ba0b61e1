#pragma once

#include <string>

class QComboBox;

// Appends text to a history list unless the list holds it exactly (letter
// case counts here; the history's own save ignores it).
void AddToComboHistory(QComboBox& combo, const std::string& text);
