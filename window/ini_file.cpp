#include "ini_file.h"

#include <algorithm>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

#ifdef _WIN32
constexpr const char* kNativeLineEnd = "\r\n";
#else
constexpr const char* kNativeLineEnd = "\n";
#endif

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back())
        return value.substr(1, value.size() - 2);
    return value;
}

// A value that would not read back as written (blanks at its ends, quotes
// around it) is stored in double quotes; line breaks cannot be stored at all
// and become blanks.
std::string StoredValue(std::string_view value) {
    std::string stored(value);
    std::replace_if(
        stored.begin(), stored.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    if (stored.empty())
        return stored;
    const bool needsQuotes =
        IsSpace(stored.front()) || IsSpace(stored.back()) ||
        (stored.size() >= 2 && IsQuote(stored.front()) && stored.front() == stored.back());
    return needsQuotes ? "\"" + stored + "\"" : stored;
}

std::string KeyLine(std::string_view key, std::string_view value) {
    return std::string(key) + "=" + StoredValue(value);
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
    IniFile file;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        file.byteOrderMark_ = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    const size_t firstBreak = text.find('\n');
    file.lineEnd_ =
        (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r')
            ? "\r\n"
            : (firstBreak != std::string_view::npos ? "\n" : kNativeLineEnd);

    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        // Every CR before the break goes: a line kept with one would lose it
        // at the next read, and the file would change with each save.
        while (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);

        Line line;
        line.text = std::string(raw);
        const std::string_view trimmed = Trim(raw);
        if (trimmed.empty()) {
            line.kind = LineKind::Blank;
        } else if (trimmed.front() == ';' || trimmed.front() == '#') {
            line.kind = LineKind::Comment;
        } else if (trimmed.front() == '[') {
            line.kind = LineKind::Section;
            const size_t close = trimmed.find(']');
            line.name = std::string(Trim(trimmed.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
        } else if (const size_t equals = trimmed.find('='); equals != std::string_view::npos) {
            const std::string_view name = Trim(trimmed.substr(0, equals));
            if (!name.empty()) {
                line.kind = LineKind::Key;
                line.name = std::string(name);
                line.value = std::string(Unquote(Trim(trimmed.substr(equals + 1))));
            }
        }
        file.lines_.push_back(std::move(line));
    }
    return file;
}

std::string IniFile::Serialize() const {
    std::string text = byteOrderMark_ ? std::string(kByteOrderMark) : std::string();
    const std::string& lineEnd = lineEnd_.empty() ? std::string(kNativeLineEnd) : lineEnd_;
    for (const Line& line : lines_)
        text += line.text + lineEnd;
    return text;
}

std::optional<IniFile::SectionSpan> IniFile::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != LineKind::Section || !SameName(lines_[i].name, section))
            continue;
        size_t end = i + 1;
        while (end < lines_.size() && lines_[end].kind != LineKind::Section)
            ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> IniFile::FindKey(const SectionSpan& span, std::string_view key) const {
    for (size_t i = span.header + 1; i < span.end; ++i) {
        if (lines_[i].kind == LineKind::Key && SameName(lines_[i].name, key))
            return i;
    }
    return std::nullopt;
}

bool IniFile::SectionExists(std::string_view section) const {
    return !KeyNames(section).empty();
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    if (const auto span = FindSection(section)) {
        for (size_t i = span->header + 1; i < span->end; ++i) {
            if (lines_[i].kind == LineKind::Key)
                names.push_back(lines_[i].name);
        }
    }
    return names;
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    const auto span = FindSection(section);
    if (!span)
        return std::nullopt;
    const auto at = FindKey(*span, key);
    if (!at)
        return std::nullopt;
    return lines_[*at].value;
}

void IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    Line line;
    line.kind = LineKind::Key;
    line.text = KeyLine(key, value);
    line.name = std::string(key);
    line.value = std::string(Unquote(Trim(StoredValue(value))));

    const auto span = FindSection(section);
    if (!span) {
        if (!lines_.empty() && lines_.back().kind != LineKind::Blank)
            lines_.push_back(Line{LineKind::Blank, "", "", ""});
        lines_.push_back(
            Line{LineKind::Section, "[" + std::string(section) + "]", std::string(section), ""});
        lines_.push_back(std::move(line));
        return;
    }
    if (const auto at = FindKey(*span, key)) {
        line.name = lines_[*at].name;  // keep the file's spelling
        line.text = KeyLine(line.name, value);
        lines_[*at] = std::move(line);
        return;
    }
    size_t insertAt = span->header + 1;
    for (size_t i = span->header + 1; i < span->end; ++i) {
        if (lines_[i].kind == LineKind::Key)
            insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

void IniFile::ClearSection(std::string_view section) {
    const auto span = FindSection(section);
    if (!span)
        return;
    // Blank lines at the section's end keep separating it from the next.
    size_t bodyEnd = span->end;
    while (bodyEnd > span->header + 1 && lines_[bodyEnd - 1].kind == LineKind::Blank)
        --bodyEnd;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(span->header + 1),
                 lines_.begin() + static_cast<std::ptrdiff_t>(bodyEnd));
}
