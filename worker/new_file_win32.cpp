#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>

#include "new_file.h"
#include "path_text.h"
#include "win32_error_text.h"

NewFileResult CreateNewFile(const std::filesystem::path& path, std::string_view bytes,
                            std::string& error) {
    // CREATE_NEW fails when the name exists: the file is ours alone.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS)
            return NewFileResult::Exists;
        error = "cannot write " + PathText(path) + ": " + Win32ErrorText(code);
        return NewFileResult::Failed;
    }
    size_t written = 0;
    bool ok = true;
    while (ok && written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 20));
        DWORD n = 0;
        ok = WriteFile(file, bytes.data() + written, chunk, &n, nullptr) != 0 && n > 0;
        written += n;
    }
    const DWORD code = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    if (!ok) {
        error = "cannot write " + PathText(path) + ": " + Win32ErrorText(code);
        DeleteFileW(path.c_str());
        return NewFileResult::Failed;
    }
    return NewFileResult::Created;
}
