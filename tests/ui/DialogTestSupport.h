#pragma once

#include "StringTable.h"
#include "common/ScriptedPrompter.h"
#include "ui/UiContext.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>

// What a main window is given, over a working session whose saved copy is
// saved, default settings and a prompter that answers by script. Fixtures
// derive from it after ::testing::Test, so their windows go first.
struct UiContextParts {
    UiContextParts() { session.SavedCopy = &saved; }
    UiContextParts(const UiContextParts&) = delete;
    UiContextParts& operator=(const UiContextParts&) = delete;

    CSession session;
    CSession saved;
    CSettingsHolder settings;
    CActionFlags flags;
    CommandLineRequest request;
    ScriptedPrompter prompter;
    CUiContext context { session, settings, flags, prompter, request };
};

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

// Drags urls over target and drops them there, as a file manager does.
void Drop(QWidget& target, const QList<QUrl>& urls);

// The texts of the questions the prompter was asked, in order.
std::vector<std::string> Asked(const ScriptedPrompter& prompter);

// Reads a text value of the settings file ("" when absent).
std::string SettingText(const std::string& key, const std::string& name);
// Removes a settings key with everything below it.
void RemoveSettingsKey(const std::string& key);

// The texts of the visible labels and buttons of window that are narrower
// than their text needs.
std::vector<std::string> ClippedTexts(QWidget& window);

// Acts on each dialog of type T that opens while it lives, as a person would:
// a modal dialog runs its own event loop, in which this object's timer finds it.
template <typename T> class OnDialog : public QObject {
public:
    explicit OnDialog(std::function<void(T&)> act)
        : m_act(std::move(act))
    {
        connect(&m_poll, &QTimer::timeout, this, [this] { Poll(); });
        m_poll.start(5);
    }
    int seen = 0;

private:
    void Poll()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<T*>(widget);
            if (!dialog || !dialog->isVisible() || m_done.count(dialog))
                continue;
            m_done.insert(dialog);
            ++seen;
            m_act(*dialog);
        }
    }

    std::function<void(T&)> m_act;
    std::set<QObject*> m_done;
    QTimer m_poll;
};
