#include "ini_storage.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "path_text.h"
#include "system_code_page.h"
#include "utf8_decode.h"

namespace fs = std::filesystem;

namespace {

fs::path TemporaryBeside(const fs::path& path) {
    std::random_device random;
    fs::path temporary;
    do {
        temporary = path;
        temporary += "." + std::to_string(random() % 1000000) + ".tmp";
    } while (fs::exists(temporary));
    return temporary;
}

}  // namespace

std::string NativePathText(const std::string& path) {
    return PathText(PathFromUtf8(path).make_preferred());
}

std::optional<std::string> ReadIniText(const std::string& path, IniEncoding* encoding) {
    if (encoding != nullptr)
        *encoding = IniEncoding::Utf8;
    const fs::path file = PathFromUtf8(path);
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        return std::string();
    if (!fs::is_regular_file(status))
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (in.bad())
        return std::nullopt;
    if (DecodeUtf8(bytes))
        return bytes;
    std::optional<std::string> text = CodePageToUtf8(bytes);
    if (text && encoding != nullptr)
        *encoding = IniEncoding::SystemCodePage;
    return text;
}

bool StoreIniText(const std::string& path, const std::string& text, std::string& error,
                  IniEncoding encoding) {
    if (encoding == IniEncoding::SystemCodePage) {
        if (const std::optional<std::string> bytes = Utf8ToCodePage(text))
            return StoreFileAtomically(path, *bytes, error);
    }
    return StoreFileAtomically(path, text, error);
}

bool StoreFileAtomically(const std::string& path, const std::string& bytes, std::string& error) {
    const fs::path target = PathFromUtf8(path);
    std::error_code ignored;
    const fs::path temporary = TemporaryBeside(target);
    bool stored = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        stored = out.good();
    }
    if (stored) {
        // The file keeps the permissions it had.
        const fs::file_status old = fs::status(target, ignored);
        if (fs::is_regular_file(old))
            fs::permissions(temporary, old.permissions(), ignored);
        std::error_code renamed;
        fs::rename(temporary, target, renamed);
        stored = !renamed;
    }
    if (!stored) {
        fs::remove(temporary, ignored);
        error = "Unable to write to " + NativePathText(path);
    }
    return stored;
}
