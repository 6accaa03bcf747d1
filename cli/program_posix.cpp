#include "program.h"

#ifdef __APPLE__
#include <mach-o/dyld.h>

#include <cstdint>
#include <vector>
#endif

namespace {

namespace fs = std::filesystem;

// The running executable's own path, symbolic links resolved; empty when the
// system does not say. argv[0] is no substitute: a program started from PATH
// has a bare name there.
fs::path ExecutablePath() {
    std::error_code ec;
#ifdef __APPLE__
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);  // asks for the size
    std::vector<char> name(size + 1, '\0');
    if (_NSGetExecutablePath(name.data(), &size) != 0)
        return {};
    const fs::path self = fs::canonical(name.data(), ec);
    return ec ? fs::path(name.data()) : self;
#else
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self;
#endif
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

fs::path ExecutableFolder(const char* argv0) {
    fs::path self = ExecutablePath();
    if (self.empty()) {
        std::error_code ec;
        self = fs::absolute(argv0, ec);
    }
    return self.parent_path();
}

void UseUtf8Console() {}

void RestoreConsole() {}
