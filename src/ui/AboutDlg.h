#pragma once

#include "ui/MyDialog.h"

class QLabel;
class QPushButton;

// The about box: the product, its version and release date, and a link to
// the vendor's home page.
class CAboutDlg : public CMyDialog {
public:
    static constexpr const char* kVersion = "1.4";
    static constexpr const char* kReleaseDate = "December 7, 2026";
    static constexpr const char* kHomePage = "https://www.zellik-software.example/korvane/";

    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* Link() const { return m_link; }

private:
    QLabel* m_link;
};
