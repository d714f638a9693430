// Plain text files the program writes for people and other programs (scripts), replaced
// whole or not at all as drawings are.
#pragma once

#include <string>

#include "vemio_port.h"

namespace vemio {

// Writes text to path through the atomic replacement; false with the reason.
VEMIO_PORT bool writeTextFile(const std::string& path, const std::string& text, std::string& error);

}  // namespace vemio
