#pragma once

#include "web/WebForms.h"

// What the feedback form tells about this computer: the kernel's type and
// version, the desktop's language and the distribution's name.
WebForms::SystemFields CurrentSystemFields();

// The kernel fields of a release text such as "6.1.0-13-amd64".
void SplitKernelVersion(const std::string& release, std::string& version, std::string& build);
