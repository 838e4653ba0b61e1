// Widget tests need one QApplication for the whole program; it is made once
// the scratch home is in place and runs on the offscreen platform.
#include <QApplication>
#include <QtGlobal>
#include <gtest/gtest.h>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        m_app = new QApplication(m_argc, m_argv);
    }
    void TearDown() override
    {
        delete m_app;
        m_app = nullptr;
    }

private:
    int m_argc = 1;
    char m_name[16] = "test_ui";
    char* m_argv[2] = { m_name, nullptr };
    QApplication* m_app = nullptr;
};

[[maybe_unused]] auto* const g_environment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace
