#include "platform/CoreApplication.h"

#include <QCoreApplication>
#include <utility>

CCoreApplication::CCoreApplication(std::string argumentZero)
    : m_argumentZero(std::move(argumentZero))
{
    if (QCoreApplication::instance() != nullptr)
        return;
    m_argv[0] = m_argumentZero.data();
    m_application = std::make_unique<QCoreApplication>(m_argc, m_argv);
}

CCoreApplication::~CCoreApplication() = default;
