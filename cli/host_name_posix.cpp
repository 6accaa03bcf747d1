#include <unistd.h>

#include "host_name.h"

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}
