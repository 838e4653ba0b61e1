#pragma once

#include <QComboBox>
#include <string>

// An editable combo box with a history of typed values in the settings
// file (values Prefix0, Prefix1, ... under a key, ended by an empty value);
// Delete in the open drop-down list removes the highlighted entry.
class CMyComboBox : public QComboBox {
public:
    static constexpr int kMaxHistory = 500;

    explicit CMyComboBox(QWidget* parent = nullptr);

    // Empties the list and reads the history; the edit text is kept.
    void LoadHistory(const std::string& prefix, const std::string& key);
    // Adds the edit text unless empty or already listed (ignoring case),
    // then writes the whole list and an empty value after it.
    void SaveHistory(const std::string& prefix, const std::string& key);
    // Widens the drop-down list to its widest entry.
    void FitDropDownWidth();
    // The width FitDropDownWidth gives the list.
    int DropDownWidth() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
