#include "ui/ComboHistory.h"

#include "ui/UiText.h"

#include <QComboBox>

void AddToComboHistory(QComboBox& combo, const std::string& text)
{
    if (text.empty() || combo.findText(ToQ(text), Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        return;
    // Adding to an empty list would make the item current and replace the edit text.
    const QString edit = combo.currentText();
    combo.addItem(ToQ(text));
    combo.setEditText(edit);
}
