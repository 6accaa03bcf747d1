// A production recipe as its TOML file states it: which steps every unit
// gets, in a fixed order (firmware, font, logo, print parameters, Bluetooth,
// infrared, factory identity), each optional. Reading it checks the file's
// shape; the values themselves are checked by the station's plan
// (recipe_plan.h) with the checks of the face that runs it.
//
//   name = "till-printer"        # default: the file's name without .toml
//   rate = 9600                  # printers are looked for at this rate first
//   transfer-rate = 115200
//   [firmware]  file = "fw.bin"  sha256 = "..."   (sha256 optional)
//   [font]      file = "font.bin"
//   [logo]      pictures = ["cup.bmp", { file = "thanks.png", sha256 = "..." }]
//               dots = "blue"    (and size, width, command, address)
//   [para]      rate = 9600  density = "dark" ...   (printer-cli para's options)
//   [bluetooth] name = "Till"  pin = "1234"
//   [ir]        rate = 9600  protocol = "raw"
//   [factory]   model = "ZDV 7714"  first = 1000  last = 1999  prefix = "ZD"  width = 6
//
// Paths are relative to the recipe's folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "serial_range.h"

// A file the recipe names, with the digest it must have when pinned.
struct RecipeFile {
    std::filesystem::path path;  // resolved against the recipe's folder
    std::string written;         // as the recipe writes it, for messages
    std::optional<std::string> sha256;
};

// A step's values in the order the file gives them: the option names of the
// printer-cli command that writes the same setting ("max-feed") and their
// values as text.
using RecipeValues = std::vector<std::pair<std::string, std::string>>;

struct RecipeLogo {
    std::vector<RecipeFile> pictures;
    RecipeValues options;  // dots, size, width, command, address
};

struct Recipe {
    std::filesystem::path path;
    std::string name;
    std::string sha256;  // of the file's bytes: which recipe a unit was made with
    int64_t rate = 9600;
    int64_t transferRate = 115200;
    std::optional<RecipeFile> firmware;
    std::optional<RecipeFile> font;
    std::optional<RecipeLogo> logo;
    std::optional<RecipeValues> para;
    std::optional<RecipeValues> bluetooth;
    std::optional<RecipeValues> ir;
    std::optional<SerialRange> factory;
};

// Reads the file. False with every problem found (a TOML syntax error, an
// unknown table or key, a value of the wrong kind, a bad serial range), each
// naming where it is: "[factory] last: ...".
bool ReadRecipe(const std::filesystem::path& path, Recipe& recipe,
                std::vector<std::string>& problems);
