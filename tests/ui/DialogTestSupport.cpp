#include "DialogTestSupport.h"

#include "platform/MyRegistry.h"

#include <QAbstractButton>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

void TypeInto(QComboBox& combo, const QString& text)
{
    QLineEdit* edit = combo.lineEdit();
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void Drop(QWidget& target, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPointF at(target.width() / 2.0, target.height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
}

std::vector<std::string> Asked(const ScriptedPrompter& prompter)
{
    std::vector<std::string> texts;
    for (const auto& question : prompter.asked)
        texts.push_back(question.text);
    return texts;
}

std::string SettingText(const std::string& key, const std::string& name)
{
    CMyRegistry registry;
    registry.SetAccess(KeyRead);
    if (registry.OpenKey(key) != RegSuccess)
        return {};
    return registry.ReadString(name, {});
}

void RemoveSettingsKey(const std::string& key)
{
    CMyRegistry registry;
    registry.DeleteTree(key, false);
}

std::vector<std::string> ClippedTexts(QWidget& window)
{
    std::vector<std::string> clipped;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        else
            continue;
        if (!text.isEmpty() && widget->width() < widget->sizeHint().width())
            clipped.push_back(text.toStdString());
    }
    return clipped;
}
