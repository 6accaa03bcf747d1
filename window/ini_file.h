// An INI file held as its lines, so that rewriting it keeps everything the
// tool does not own: comments, blank lines, unknown sections and keys, and
// the order of it all.
//
// Reading follows the Windows profile functions: section and key names are
// compared without regard to ASCII case; the first section of a name and the
// first key of a name in it are the ones that count; blanks around names and
// values are dropped, and so is one pair of matching quotes around a value.
// Lines starting with ';' or '#' are comments. A section header without keys
// under it counts as a missing section.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
  public:
    // Any text parses; lines that are neither headers, keys nor comments are
    // kept as they are and otherwise ignored.
    static IniFile Parse(std::string_view text);
    // The text to store, with the line ends the parsed text used ("\r\n" on
    // Windows, "\n" elsewhere for a new file) and its byte order mark, if any.
    std::string Serialize() const;

    bool SectionExists(std::string_view section) const;
    // The key names of the section, spelled as in the file, in file order.
    std::vector<std::string> KeyNames(std::string_view section) const;
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Replaces the key's value where it stands, or adds the key after the
    // last key of the section, or adds the section at the end of the file.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes the section's keys and comments; its header keeps its place
    // in the file so that keys written next land there.
    void ClearSection(std::string_view section);

  private:
    enum class LineKind { Other, Blank, Comment, Section, Key };
    struct Line {
        LineKind kind = LineKind::Other;
        std::string text;   // the line as stored
        std::string name;   // section or key name, trimmed
        std::string value;  // key value, trimmed and unquoted
    };
    struct SectionSpan {
        size_t header;  // index of the header line
        size_t end;     // one past the section's last line
    };

    std::optional<SectionSpan> FindSection(std::string_view section) const;
    std::optional<size_t> FindKey(const SectionSpan& span, std::string_view key) const;

    std::vector<Line> lines_;
    std::string lineEnd_;
    bool byteOrderMark_ = false;
};
