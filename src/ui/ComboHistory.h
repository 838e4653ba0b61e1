#pragma once

#include <string>

class QComboBox;

// The typed-value history of a combo box in the settings file: values
// prefix0, prefix1, ... under key, ended by the first empty one.
void LoadComboHistory(QComboBox& combo, const std::string& prefix, const std::string& key);
// Adds the edit text when the list lacks it (letter case ignored), then
// writes every item and an empty value after the last.
void SaveComboHistory(QComboBox& combo, const std::string& prefix, const std::string& key);
// Appends text unless the list holds it exactly.
void AddToComboHistory(QComboBox& combo, const std::string& text);
