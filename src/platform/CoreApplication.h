#pragma once

#include <memory>
#include <string>

class QCoreApplication;

// Makes sure a Qt application object exists while this lives: the event
// loops of Qt's threads (the keyring's) need one, and a run without windows
// has none. Where one exists already (the windows' own), it does nothing.
class CCoreApplication {
public:
    explicit CCoreApplication(std::string argumentZero);
    ~CCoreApplication();
    CCoreApplication(const CCoreApplication&) = delete;
    CCoreApplication& operator=(const CCoreApplication&) = delete;

private:
    // Qt keeps references to the argument count and vector.
    std::string m_argumentZero;
    int m_argc = 1;
    char* m_argv[2] = { nullptr, nullptr };
    std::unique_ptr<QCoreApplication> m_application;
};
