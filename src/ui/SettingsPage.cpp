#include "ui/SettingsPage.h"

#include "core/Prompter.h"
#include "ui/UiText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CSettingsPage::CSettingsPage(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent)
    : CMyDialog(parent)
    , m_settings(settings)
    , m_prompter(prompter)
    , m_column(new QVBoxLayout(this))
{
    // A page is a part of the settings window, not a window of its own.
    setWindowFlags(Qt::Widget);
    m_column->setContentsMargins(Dx(12), Dy(10), Dx(12), Dy(8));
}

CSettingsPage::~CSettingsPage() = default;

CSettingsPage::IntField CSettingsPage::Field(std::int32_t SettingsRecord::GeneralSettings::*member)
{
    return [member](SettingsRecord& record) -> std::int32_t& { return record.General.*member; };
}

CSettingsPage::IntField CSettingsPage::Field(std::int32_t SettingsRecord::ActionSettings::*member)
{
    return [member](SettingsRecord& record) -> std::int32_t& { return record.Actions.*member; };
}

CSettingsPage::IntField CSettingsPage::Field(std::int32_t SettingsRecord::SchedulerSettings::*member)
{
    return [member](SettingsRecord& record) -> std::int32_t& { return record.Scheduler.*member; };
}

void CSettingsPage::FinishColumn()
{
    m_column->addStretch(1);
}

void CSettingsPage::TipFromTable(QWidget* control, int id)
{
    const QString text = LoadQString(id);
    if (!text.isEmpty())
        SetTooltip(control, text);
}

QCheckBox* CSettingsPage::AddCheck(int id, const char* label, IntField field, const char* name)
{
    auto* check = new QCheckBox(QString::fromUtf8(label), this);
    check->setObjectName(QLatin1String(name));
    check->setChecked(field(m_settings) != 0);
    TipFromTable(check, id);
    m_column->addWidget(check);
    m_bindings.push_back({ check, nullptr, std::move(field) });
    return check;
}

QButtonGroup* CSettingsPage::AddRadioGroup(std::initializer_list<std::pair<int, const char*>> buttons, IntField field,
    std::initializer_list<const char*> names)
{
    auto* group = new QButtonGroup(this);
    int index = 0;
    auto name = names.begin();
    for (const auto& [id, label] : buttons) {
        auto* radio = new QRadioButton(QString::fromUtf8(label), this);
        if (name != names.end())
            radio->setObjectName(QLatin1String(*name++));
        TipFromTable(radio, id);
        group->addButton(radio, index++);
        m_column->addWidget(radio);
    }
    // A stored index out of range selects the first button, as a fresh
    // setting would.
    const int stored = field(m_settings);
    QAbstractButton* selected = group->button(stored >= 0 && stored < index ? stored : 0);
    if (selected)
        selected->setChecked(true);
    m_bindings.push_back({ nullptr, group, std::move(field) });
    return group;
}

bool CSettingsPage::ReadNumber(QLineEdit* field, int first, int last, std::int32_t& value)
{
    bool ok = false;
    const int number = field->text().trimmed().toInt(&ok);
    if (ok && number >= first && number <= last) {
        value = number;
        return true;
    }
    Refuse(FormatString(LoadString(57763).c_str(), first, last), field);
    field->selectAll();
    return false;
}

void CSettingsPage::Refuse(const std::string& text, QWidget* control)
{
    Q_EMIT Refusing();
    m_prompter.MessageBox(text, MbOk | MbIconWarning);
    control->setFocus();
}

bool CSettingsPage::OnOK(SettingsRecord& settings)
{
    for (const Binding& binding : m_bindings) {
        if (binding.check)
            binding.field(settings) = binding.check->isChecked() ? 1 : 0;
        else
            binding.field(settings) = std::max(0, binding.radios->checkedId());
    }
    return true;
}

void CSettingsPage::keyPressEvent(QKeyEvent* event)
{
    // Enter on a page's button presses it; otherwise Escape and Enter belong
    // to the settings window (Cancel, OK): a page that took them would close
    // itself as a dialog does, or swallow them.
    const int key = event->key();
    if (key != Qt::Key_Escape && key != Qt::Key_Return && key != Qt::Key_Enter) {
        CMyDialog::keyPressEvent(event);
        return;
    }
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (key != Qt::Key_Escape && button && isAncestorOf(button) && button->isEnabled()) {
        button->click();
        return;
    }
    event->ignore();
}

QPushButton* CSettingsPage::AddButton(const char* label, const char* name)
{
    auto* button = new QPushButton(QString::fromUtf8(label), this);
    button->setObjectName(QLatin1String(name));
    // Not a default button: the page is a dialog of its own in Qt's eyes,
    // and a button it made default would take Enter from the window's OK.
    button->setAutoDefault(false);
    return button;
}
