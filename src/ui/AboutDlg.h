#pragma once

#include "ui/MyDialog.h"

class CLinkLabel;
class QPushButton;

// The about box: the product, its version and release date, and a link to
// the vendor's home page.
class CAboutDlg : public CMyDialog {
public:
    static constexpr const char* kVersion = "1.4";
    static constexpr const char* kReleaseDate = "December 7, 2026";

    // homePage: the vendor's home page on the web server the settings name
    // (the vendor's own when empty).
    explicit CAboutDlg(QWidget* parent = nullptr, const QString& homePage = QString());

    CLinkLabel* Link() const { return m_link; }

private:
    CLinkLabel* m_link;
};
