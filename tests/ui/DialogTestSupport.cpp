#include "DialogTestSupport.h"

#include "platform/MyRegistry.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <cstdio>

namespace {

// The offscreen platform says so for every dialog with a fixed-size layout.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

void EnsureWidgetApplication()
{
    if (QApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = { name, nullptr };
    qInstallMessageHandler(QuietMessages);
    new QApplication(argc, argv); // lives until the test program ends
}

void TypeInto(QComboBox& combo, const QString& text)
{
    QLineEdit* edit = combo.lineEdit();
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
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
