// A mistyped command: the known name nearest to what was typed.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The name with the fewest edits (insert, delete, change, swap of two
// neighbours) from `word`, when it is near enough to be what was meant.
std::optional<std::string> NearestName(const std::string& word,
                                       const std::vector<std::string>& names);
