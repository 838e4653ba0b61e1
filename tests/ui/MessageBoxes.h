#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <string>
#include <vector>

// Answers the message boxes a test makes the program open, as a person
// would: each box that appears gets the next button of the script and its
// text is recorded. Boxes beyond the script are left open.
class BoxAnswers : public QObject {
public:
    explicit BoxAnswers(std::deque<QMessageBox::StandardButton> script = {})
        : m_script(std::move(script))
    {
        connect(&m_poll, &QTimer::timeout, this, &BoxAnswers::Poll);
        m_poll.start(5);
    }
    void Add(QMessageBox::StandardButton button) { m_script.push_back(button); }

    std::vector<std::string> texts;
    std::vector<QMessageBox::Icon> icons;

private:
    void Poll()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible() || box->property("answered").toBool() || m_script.empty())
                continue;
            box->setProperty("answered", true);
            texts.push_back(box->text().toStdString());
            icons.push_back(box->icon());
            QAbstractButton* button = box->button(m_script.front());
            m_script.pop_front();
            if (button)
                button->click();
        }
    }

    std::deque<QMessageBox::StandardButton> m_script;
    QTimer m_poll;
};
