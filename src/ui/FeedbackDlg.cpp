#include "ui/FeedbackDlg.h"

#include "core/Prompter.h"
#include "ui/Icons.h"
#include "web/FeedbackSystem.h"
#include "web/WebTexts.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QComboBox* NewChoice(QWidget* parent, const char* name, std::initializer_list<const char*> items)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    for (const char* item : items)
        combo->addItem(QString::fromUtf8(item));
    combo->setCurrentIndex(0);
    return combo;
}

std::string Trimmed(const QString& text)
{
    return text.trimmed().toStdString();
}

} // namespace

CFeedbackDlg::CFeedbackDlg(CWebEndpoint endpoint, CPrompter& prompter, QWidget* parent)
    : CMyDialog(parent)
    , m_endpoint(std::move(endpoint))
    , m_prompter(prompter)
    , m_system(CurrentSystemFields())
    , m_post(this)
{
    setObjectName(QStringLiteral("feedbackDlg"));
    setWindowTitle(QStringLiteral("Feedback"));
    setWindowIcon(CIcons::Application());
    CreateControls();
    SizeToDesign(kDesignWidth, kDesignHeight);
    SetReferenceSize(width(), height());
    SetUpDialog();
    connect(m_submit, &QPushButton::clicked, this, &CFeedbackDlg::Submit);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CFeedbackDlg::CreateControls()
{
    // Created in tab order.
    m_group = new QGroupBox(QStringLiteral("Form"), this);
    const char* const labels[] = { "This comment is about", "How bad is the problem?", "This software is being used",
        "Your email address", "Comment" };
    for (const char* text : labels)
        m_labels.push_back(new QLabel(QString::fromUtf8(text), this));
    m_about = NewChoice(
        this, "about", { "The program in general", "An interface design issue", "A feature suggestion", "A bug" });
    m_problem = NewChoice(this, "problem", { "Not a problem", "Noticeable", "Annoying", "Intolerable" });
    m_used = NewChoice(this, "used", { "At home", "At work", "Both at home and work" });
    m_email = new QLineEdit(this);
    m_email->setObjectName(QStringLiteral("email"));
    m_comment = new QPlainTextEdit(this);
    m_comment->setObjectName(QStringLiteral("comment"));
    m_comment->setTabChangesFocus(true);
    m_submit = new QPushButton(QStringLiteral("Submit"), this);
    m_submit->setObjectName(QStringLiteral("submit"));
    m_submit->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_labels[0]->setBuddy(m_about);
    m_labels[1]->setBuddy(m_problem);
    m_labels[2]->setBuddy(m_used);
    m_labels[3]->setBuddy(m_email);
    m_labels[4]->setBuddy(m_comment);

    Place(m_group, 8, 4, 384, 316);
    QWidget* const fields[] = { m_about, m_problem, m_used, m_email };
    for (int i = 0; i < 4; ++i) {
        Place(m_labels[static_cast<std::size_t>(i)], 18, 27 + i * 29, 168, 16);
        Place(fields[i], 190, 24 + i * 29, 192, 22);
    }
    Place(m_labels[4], 18, 141, 168, 16);
    Place(m_comment, 18, 160, 364, 150);
    Place(m_submit, 228, 328, 80, 26);
    Place(m_cancel, 312, 328, 80, 26);
}

void CFeedbackDlg::EnableForm(bool on)
{
    m_group->setEnabled(on);
    m_submit->setEnabled(on);
    for (QWidget* control : std::initializer_list<QWidget*> { m_about, m_problem, m_used, m_email, m_comment })
        control->setEnabled(on);
    for (QLabel* label : m_labels)
        label->setEnabled(on);
}

void CFeedbackDlg::Submit()
{
    if (Sending())
        return;
    WebForms::FeedbackFields fields;
    fields.About = m_about->currentText().toStdString();
    fields.Problem = m_problem->currentText().toStdString();
    fields.Used = m_used->currentText().toStdString();
    fields.Email = Trimmed(m_email->text());
    fields.Comment = Trimmed(m_comment->toPlainText());
    if (fields.Comment.empty()) {
        m_prompter.MessageBox(WebTexts::kCommentEmpty, MbOk | MbIconError);
        m_comment->setFocus();
        return;
    }
    EnableForm(false);
    m_post.Post(m_endpoint, QByteArray::fromStdString(WebForms::FeedbackBody(fields, m_system)),
        [this](const CFormPost::Result& result) { OnSent(result); });
}

void CFeedbackDlg::OnSent(const CFormPost::Result& result)
{
    if (result.kind == CFormPost::Result::Success) {
        m_prompter.MessageBox(WebTexts::kFeedbackSent, MbOk | MbIconInformation);
        accept();
        Q_EMIT SendEnded();
        return;
    }
    if (result.kind == CFormPost::Result::BadStatus)
        m_prompter.MessageBox(WebTexts::kBadStatus, MbOk | MbIconError);
    else
        m_prompter.MessageBox(
            QStringLiteral("Failed to send the feedback.\n\n%1").arg(result.error).toStdString(), MbOk | MbIconError);
    EnableForm(true);
    m_comment->setFocus();
    Q_EMIT SendEnded();
}

void CFeedbackDlg::done(int result)
{
    // Cancel while sending: the request is given up, nothing reports later.
    m_post.Abort();
    CMyDialog::done(result);
}
