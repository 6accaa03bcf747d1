// The recipe's TOML, read with toml++.
#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <span>
#include <sstream>

#include "path_text.h"
#include "recipe.h"
#include "sha256.h"

namespace {

namespace fs = std::filesystem;

// The values the setting tables take: their printer-cli options.
const std::set<std::string> kSettingTables = {"para", "bluetooth", "ir"};
const std::set<std::string> kTopKeys = {"name", "rate", "transfer-rate", "firmware", "font",
                                        "logo", "para", "bluetooth",     "ir",       "factory"};

class RecipeReader {
  public:
    RecipeReader(const fs::path& folder, std::vector<std::string>& problems)
        : folder_(folder), problems_(problems) {}

    void Problem(const std::string& where, const std::string& what) {
        problems_.push_back(where + ": " + what);
    }

    std::optional<std::string> Text(const toml::node& node, const std::string& where) {
        if (const auto* text = node.as_string())
            return text->get();
        Problem(where, "must be a text in quotes");
        return std::nullopt;
    }

    std::optional<int64_t> Number(const toml::node& node, const std::string& where) {
        if (const auto* number = node.as_integer())
            return number->get();
        Problem(where, "must be a whole number");
        return std::nullopt;
    }

    // A setting's value as the option's text: numbers in decimal, texts as
    // they are.
    std::optional<std::string> OptionText(const toml::node& node, const std::string& where) {
        if (const auto* number = node.as_integer())
            return std::to_string(number->get());
        if (const auto* text = node.as_string())
            return text->get();
        Problem(where, "must be a number or a text");
        return std::nullopt;
    }

    const toml::table* Table(const toml::node& node, const std::string& where) {
        if (const auto* table = node.as_table())
            return table;
        Problem(where, "must be a table ([" + where + "])");
        return nullptr;
    }

    // `file = "..."` with an optional `sha256 = "..."`, in a table of its own
    // or inline.
    std::optional<RecipeFile> File(const toml::table& table, const std::string& where) {
        RecipeFile file;
        bool named = false;
        for (const auto& [key, node] : table) {
            const std::string name(key.str());
            if (name == "file") {
                if (const auto text = Text(node, where + " file")) {
                    file.written = *text;
                    file.path = (folder_ / PathFromUtf8(*text)).lexically_normal();
                    named = true;
                }
            } else if (name == "sha256") {
                if (const auto text = Text(node, where + " sha256"))
                    file.sha256 = Lower(*text);
            } else {
                Problem(where, "unknown key '" + name + "' (file, sha256)");
            }
        }
        if (!named) {
            Problem(where, "names no file (file = \"...\")");
            return std::nullopt;
        }
        return file;
    }

    std::optional<RecipeLogo> Logo(const toml::table& table) {
        RecipeLogo logo;
        for (const auto& [key, node] : table) {
            const std::string name(key.str());
            if (name != "pictures") {
                if (const auto text = OptionText(node, "[logo] " + name))
                    logo.options.emplace_back(name, *text);
                continue;
            }
            const auto* list = node.as_array();
            if (!list) {
                Problem("[logo] pictures", "must be a list of files");
                continue;
            }
            for (const toml::node& entry : *list) {
                if (const auto* text = entry.as_string()) {
                    logo.pictures.push_back(
                        {(folder_ / PathFromUtf8(text->get())).lexically_normal(), text->get(),
                         std::nullopt});
                } else if (const auto* pinned = entry.as_table()) {
                    if (auto file = File(*pinned, "[logo] pictures"))
                        logo.pictures.push_back(*file);
                } else {
                    Problem("[logo] pictures", "each picture is a file name or { file, sha256 }");
                }
            }
        }
        if (logo.pictures.empty())
            Problem("[logo]", "names no pictures (pictures = [\"...\"])");
        return logo;
    }

    RecipeValues Values(const toml::table& table, const std::string& where) {
        RecipeValues values;
        for (const auto& [key, node] : table) {
            const std::string name(key.str());
            if (const auto text = OptionText(node, "[" + where + "] " + name))
                values.emplace_back(name, *text);
        }
        return values;
    }

    std::optional<SerialRange> Factory(const toml::table& table) {
        SerialRange range;
        bool model = false;
        bool first = false;
        bool last = false;
        for (const auto& [key, node] : table) {
            const std::string name(key.str());
            const std::string where = "[factory] " + name;
            if (name == "model") {
                if (const auto text = Text(node, where)) {
                    range.model = *text;
                    model = true;
                }
            } else if (name == "prefix") {
                if (const auto text = Text(node, where))
                    range.prefix = *text;
            } else if (name == "first" || name == "last" || name == "width") {
                const auto number = Number(node, where);
                if (!number)
                    continue;
                if (name == "first") {
                    range.first = *number;
                    first = true;
                } else if (name == "last") {
                    range.last = *number;
                    last = true;
                } else {
                    range.width = static_cast<int>(std::clamp<int64_t>(*number, -1, 99));
                }
            } else {
                Problem("[factory]",
                        "unknown key '" + name + "' (model, first, last, prefix, width)");
            }
        }
        for (const auto& [given, key] :
             {std::pair{model, "model"}, std::pair{first, "first"}, std::pair{last, "last"}}) {
            if (!given)
                Problem("[factory]", std::string("needs ") + key);
        }
        if (!model || !first || !last)
            return std::nullopt;
        if (const auto problem = SerialRangeProblem(range)) {
            Problem("[factory]", *problem);
            return std::nullopt;
        }
        return range;
    }

  private:
    static std::string Lower(std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }

    fs::path folder_;
    std::vector<std::string>& problems_;
};

}  // namespace

bool ReadRecipe(const fs::path& path, Recipe& recipe, std::vector<std::string>& problems) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problems.push_back(PathText(path) + " cannot be read");
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    recipe = Recipe{};
    recipe.path = path;
    recipe.sha256 =
        Sha256Hex(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    recipe.name = PathText(path.stem());

    toml::table document;
    try {
        document = toml::parse(bytes, PathText(path));
    } catch (const toml::parse_error& error) {
        std::ostringstream where;
        where << "line " << error.source().begin.line;
        problems.push_back(where.str() + ": " + std::string(error.description()));
        return false;
    }

    const size_t before = problems.size();
    RecipeReader reader(fs::absolute(path).parent_path(), problems);
    for (const auto& [key, node] : document) {
        const std::string name(key.str());
        if (!kTopKeys.contains(name)) {
            reader.Problem(name, "is not a key or table of a recipe");
            continue;
        }
        if (name == "name") {
            if (const auto text = reader.Text(node, name))
                recipe.name = *text;
        } else if (name == "rate" || name == "transfer-rate") {
            if (const auto number = reader.Number(node, name))
                (name == "rate" ? recipe.rate : recipe.transferRate) = *number;
        } else if (const toml::table* table = reader.Table(node, name)) {
            if (name == "firmware") {
                recipe.firmware = reader.File(*table, "[firmware]");
            } else if (name == "font") {
                recipe.font = reader.File(*table, "[font]");
            } else if (name == "logo") {
                recipe.logo = reader.Logo(*table);
            } else if (name == "factory") {
                recipe.factory = reader.Factory(*table);
            } else if (kSettingTables.contains(name)) {
                RecipeValues values = reader.Values(*table, name);
                (name == "para"        ? recipe.para
                 : name == "bluetooth" ? recipe.bluetooth
                                       : recipe.ir) = std::move(values);
            }
        }
    }
    return problems.size() == before;
}
