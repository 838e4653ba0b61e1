#pragma once

#include "core/SettingsRecord.h"
#include "ui/MyDialog.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

class CPrompter;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// One page of the settings dialog, a child dialog shown beside the page
// tree. It edits a copy of the settings taken when it is made; OnOK copies
// its controls' values into the record the dialog hands back, so the real
// settings change only when the whole dialog is confirmed.
class CSettingsPage : public CMyDialog {
    Q_OBJECT

public:
    // Where a page keeps a number of the record.
    using IntField = std::function<std::int32_t&(SettingsRecord&)>;

    CSettingsPage(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent = nullptr);
    ~CSettingsPage() override;

    // Copies the controls into settings. False, after the user was told
    // why, when a value is refused; the page's control keeps the focus.
    virtual bool OnOK(SettingsRecord& settings);
    // Runs once every page took OK: what goes beyond the record.
    virtual void Commit() { }
    // The dialog was cancelled: nothing is kept.
    virtual void OnCancel() { }

    // A field of each group of the record.
    static IntField Field(std::int32_t SettingsRecord::GeneralSettings::*member);
    static IntField Field(std::int32_t SettingsRecord::ActionSettings::*member);
    static IntField Field(std::int32_t SettingsRecord::SchedulerSettings::*member);

protected:
    // The copy the page edits.
    const SettingsRecord& Settings() const { return m_settings; }
    CPrompter& Prompter() const { return m_prompter; }
    // The page's column of controls; pages add to it and it ends in a stretch.
    QVBoxLayout* Column() const { return m_column; }
    void FinishColumn();

    // A check box for a number of the record (checked when not 0; OK stores
    // 1 or 0), with the tooltip of string id and the object name given.
    QCheckBox* AddCheck(int id, const char* label, IntField field, const char* name);
    // Radio buttons for a number that holds the index of the selected one.
    QButtonGroup* AddRadioGroup(std::initializer_list<std::pair<int, const char*>> buttons, IntField field,
        std::initializer_list<const char*> names);
    // A push button of the page, pressed by Enter while it has the focus.
    QPushButton* AddButton(const char* label, const char* name);
    // The tooltip of string id on control.
    void TipFromTable(QWidget* control, int id);

    // Reads a whole number from field within first..last; otherwise shows
    // the number message, selects the text and returns false.
    bool ReadNumber(QLineEdit* field, int first, int last, std::int32_t& value);

    void keyPressEvent(QKeyEvent* event) override;

Q_SIGNALS:
    // The page is about to tell the user why OK is refused: the dialog
    // shows it first, so the message is seen beside its field.
    void Refusing();

protected:
    // Shows the page, then text as a warning, and gives control the focus.
    void Refuse(const std::string& text, QWidget* control);

private:
    struct Binding {
        QCheckBox* check = nullptr;
        QButtonGroup* radios = nullptr;
        IntField field;
    };

    SettingsRecord m_settings;
    CPrompter& m_prompter;
    QVBoxLayout* m_column;
    std::vector<Binding> m_bindings;
};
