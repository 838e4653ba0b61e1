#pragma once

#include <functional>
#include <string>

class QUrl;

class CPrompter;
class CWebEndpoint;

// The Help menu's links: the vendor's online support page and the local
// user manual, opened by the desktop (its browser, or what it chose for
// HTML files). Failures are told through the prompter.
class CWebLinks {
public:
    // Hands a URL to the desktop; false when nothing could take it.
    using Opener = std::function<bool(const QUrl&)>;

    // opener: the desktop's (QDesktopServices) unless given.
    explicit CWebLinks(CPrompter& prompter, Opener opener = {});

    // Asks before the browser opens; nothing opens without OK, and nothing
    // when the desktop knows itself offline.
    void OnlineSupport(const CWebEndpoint& endpoint, bool connected);
    // Opens the user manual of the installation the program belongs to.
    void Documentation(const std::string& modulePath);

    // The manual that goes with the program at modulePath: the installed
    // <prefix>/share/doc/korvane/index.html beside <prefix>/bin, else, for
    // a program in its build tree, the manual of its source tree. Empty
    // when neither exists; installedPath then names the one looked for.
    static std::string ManualPath(const std::string& modulePath, std::string* installedPath = nullptr);

private:
    CPrompter& m_prompter;
    Opener m_open;
};
