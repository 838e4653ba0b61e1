#pragma once

#include "ui/MyDialog.h"

#include <string>
#include <vector>

class CPrompter;
class QLineEdit;

// The small name dialog of New, Duplicate and Rename: a "Name" group with
// one field. OK trims the name, refuses an empty one (57690) and, with the
// name check on, one of the given names (57720). Letter case is ignored, as
// /s finds a set by name ignoring it: "Work" and "work" would be one set there.
class CNewBackupSetDlg : public CMyDialog {
    Q_OBJECT
public:
    // takenNames: the names refused when the check is on; copied.
    CNewBackupSetDlg(const QString& caption, const std::string& name, bool checkName,
        std::vector<std::string> takenNames, CPrompter& prompter, QWidget* parent = nullptr);

    void accept() override;

    // The accepted name, trimmed.
    const std::string& Name() const { return m_name; }

private:
    CPrompter& m_prompter;
    bool m_checkName;
    std::vector<std::string> m_takenNames;
    std::string m_name;
    QLineEdit* m_edit = nullptr;
};
