#pragma once

#include <string>

// A new random (version 4) UUID as 36 lower-case characters, 8-4-4-4-12;
// MIME parts take one as their boundary.
std::string NewUuidText();
