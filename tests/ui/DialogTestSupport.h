#pragma once

#include "StringTable.h"
#include "common/ScriptedPrompter.h"

#include <QComboBox>
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>

// A child widget by object name; fails the test when it is missing.
template <typename T> T* Child(QWidget& parent, const char* name)
{
    T* child = parent.findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// The visible child dialog of type T, or nullptr.
template <typename T> T* VisibleChild(QWidget& parent)
{
    for (T* child : parent.findChildren<T*>()) {
        if (child->isVisible())
            return child;
    }
    return nullptr;
}

// Types into an editable combo box as a user would, replacing its text.
void TypeInto(QComboBox& combo, const QString& text);

// The texts of the questions the prompter was asked, in order.
std::vector<std::string> Asked(const ScriptedPrompter& prompter);

// Reads a text value of the settings file ("" when absent).
std::string SettingText(const std::string& key, const std::string& name);
// Removes a settings key with everything below it.
void RemoveSettingsKey(const std::string& key);

// The texts of the visible labels and buttons of window that are narrower
// than their text needs.
std::vector<std::string> ClippedTexts(QWidget& window);
