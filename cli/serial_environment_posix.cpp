#include "serial_environment.h"
#include "unix_environment.h"

std::vector<EnvironmentWarning> SerialEnvironmentWarnings() {
    return UnixEnvironmentWarnings("/");
}
