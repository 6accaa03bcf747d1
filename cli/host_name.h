// This machine's name, the station's name in the ledger by default. The
// system calls live in host_name_posix.cpp and host_name_win32.cpp.
#pragma once

#include <string>

// Empty when the system gives none.
std::string HostName();
