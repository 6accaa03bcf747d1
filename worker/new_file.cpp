#include "new_file.h"

#include <cstdio>
#include <random>

#include "path_text.h"

namespace {

constexpr int kNameTries = 16;

std::string RandomSuffix() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
    return text;
}

}  // namespace

std::filesystem::path WriteNewSibling(const std::filesystem::path& target, std::string_view bytes,
                                      std::string& error) {
    for (int i = 0; i < kNameTries; ++i) {
        std::filesystem::path candidate = target;
        candidate += "." + RandomSuffix() + ".tmp";
        switch (CreateNewFile(candidate, bytes, error)) {
            case NewFileResult::Created:
                return candidate;
            case NewFileResult::Failed:
                return {};
            case NewFileResult::Exists:
                break;  // someone else's: another name
        }
    }
    error = "cannot write beside " + PathText(target) + ": every temporary name was taken";
    return {};
}
