#include "web/FeedbackSystem.h"

#include <QLocale>
#include <QSysInfo>
#include <cctype>

void SplitKernelVersion(const std::string& release, std::string& version, std::string& build)
{
    // Up to three dot-separated numbers; anything after them is ignored.
    std::string numbers[3];
    std::size_t part = 0;
    for (char c : release) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            numbers[part] += c;
        else if (c == '.' && part < 2 && !numbers[part].empty())
            ++part;
        else
            break;
    }
    const auto number = [](const std::string& text) { return text.empty() ? std::string("0") : text; };
    version = number(numbers[0]) + "." + number(numbers[1]);
    build = number(numbers[2]);
}

WebForms::SystemFields CurrentSystemFields()
{
    WebForms::SystemFields fields;
    const QString kernel = QSysInfo::kernelType();
    fields.OsType = kernel == QStringLiteral("linux") ? "Linux" : kernel.toStdString();
    SplitKernelVersion(QSysInfo::kernelVersion().toStdString(), fields.Version, fields.Build);
    fields.LangId = QLocale::system().name().toStdString();
    fields.Additional = QSysInfo::prettyProductName().toStdString();
    return fields;
}
