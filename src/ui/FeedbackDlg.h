#pragma once

#include "ui/MyDialog.h"
#include "web/FormPost.h"
#include "web/WebEndpoint.h"
#include "web/WebForms.h"

#include <vector>

class CPrompter;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The feedback form: what the comment is about, how bad the problem is,
// where the program is used, an address to answer to and the comment. Only
// Submit sends it; while it is on its way the form is disabled and Cancel
// stays available. A send that fails says so and leaves the form as typed
// for another try; a send that succeeds closes the window.
class CFeedbackDlg : public CMyDialog {
    Q_OBJECT

public:
    static constexpr int kDesignWidth = 400;
    static constexpr int kDesignHeight = 362;

    CFeedbackDlg(CWebEndpoint endpoint, CPrompter& prompter, QWidget* parent = nullptr);

    // What the form tells about this computer (tests give fixed values).
    void SetSystemFields(WebForms::SystemFields fields) { m_system = std::move(fields); }

    void Submit();
    bool Sending() const { return m_post.Running(); }

    QComboBox* AboutBox() const { return m_about; }
    QComboBox* ProblemBox() const { return m_problem; }
    QComboBox* UsedBox() const { return m_used; }
    QLineEdit* EmailEdit() const { return m_email; }
    QPlainTextEdit* CommentEdit() const { return m_comment; }
    QPushButton* SubmitButton() const { return m_submit; }
    QPushButton* CancelButton() const { return m_cancel; }

Q_SIGNALS:
    // A send ended, whichever way.
    void SendEnded();

protected:
    void done(int result) override;

private:
    void CreateControls();
    void EnableForm(bool on);
    void OnSent(const CFormPost::Result& result);

    CWebEndpoint m_endpoint;
    CPrompter& m_prompter;
    WebForms::SystemFields m_system;
    QGroupBox* m_group = nullptr;
    std::vector<QLabel*> m_labels;
    QComboBox* m_about = nullptr;
    QComboBox* m_problem = nullptr;
    QComboBox* m_used = nullptr;
    QLineEdit* m_email = nullptr;
    QPlainTextEdit* m_comment = nullptr;
    QPushButton* m_submit = nullptr;
    QPushButton* m_cancel = nullptr;
    CFormPost m_post;
};
