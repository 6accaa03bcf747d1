#include "ini_storage.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "path_text.h"

namespace fs = std::filesystem;

namespace {

// The code points of UTF-8 `text`; nothing when it is not valid UTF-8
// (overlong forms, surrogates and values past U+10FFFF included).
std::optional<std::u32string> DecodeUtf8(const std::string& text) {
    std::u32string decoded;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            length = 1;
            value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + length > text.size())
            return std::nullopt;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            value = value << 6 | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return std::nullopt;
        decoded.push_back(value);
        i += length;
    }
    return decoded;
}

std::string Latin1ToUtf8(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text.push_back(c);
        } else {
            text.push_back(static_cast<char>(0xC0 | byte >> 6));
            text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return text;
}

// Nothing when a character of `text` is beyond Latin-1.
std::optional<std::string> Utf8ToLatin1(const std::string& text) {
    const std::optional<std::u32string> decoded = DecodeUtf8(text);
    if (!decoded)
        return std::nullopt;
    std::string bytes;
    for (const char32_t c : *decoded) {
        if (c > 0xFF)
            return std::nullopt;
        bytes.push_back(static_cast<char>(c));
    }
    return bytes;
}

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
    if (encoding != nullptr)
        *encoding = IniEncoding::Latin1;
    return Latin1ToUtf8(bytes);
}

bool StoreIniText(const std::string& path, const std::string& text, std::string& error,
                  IniEncoding encoding) {
    if (encoding == IniEncoding::Latin1) {
        if (const std::optional<std::string> bytes = Utf8ToLatin1(text))
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
