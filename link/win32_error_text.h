// Plain words for a Windows error code, in the form strerror gives on POSIX:
// English, one line, no final full stop ("Access is denied").
#pragma once

#include <cstdint>
#include <string>

std::string Win32ErrorText(uint32_t code);
