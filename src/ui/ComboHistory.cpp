#include "ui/ComboHistory.h"

#include "platform/MyRegistry.h"
#include "ui/UiText.h"

#include <QComboBox>

namespace {
constexpr int kMaxHistory = 500;
}

void LoadComboHistory(QComboBox& combo, const std::string& prefix, const std::string& key)
{
    const QString text = combo.currentText();
    combo.clear();
    CMyRegistry registry;
    registry.SetAccess(KeyRead);
    if (registry.OpenKey(key) == RegSuccess) {
        for (int i = 0; i < kMaxHistory; ++i) {
            const std::string value = registry.ReadString(prefix + std::to_string(i), {});
            if (value.empty())
                break;
            combo.addItem(ToQ(value));
        }
    }
    combo.setCurrentIndex(-1);
    combo.setEditText(text);
}

void SaveComboHistory(QComboBox& combo, const std::string& prefix, const std::string& key)
{
    const QString text = combo.currentText();
    if (!text.isEmpty() && combo.findText(text, Qt::MatchFixedString) < 0)
        combo.addItem(text);
    CMyRegistry registry;
    registry.CreateKey(key);
    const int count = std::min(combo.count(), kMaxHistory);
    for (int i = 0; i < count; ++i)
        registry.WriteString(prefix + std::to_string(i), FromQ(combo.itemText(i)));
    registry.WriteString(prefix + std::to_string(count), {});
    registry.CloseKey();
}

void AddToComboHistory(QComboBox& combo, const std::string& text)
{
    if (text.empty() || combo.findText(ToQ(text), Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        return;
    const QString edit = combo.currentText();
    combo.addItem(ToQ(text));
    combo.setEditText(edit);
}
