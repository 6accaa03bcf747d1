#include "command_suggestion.h"

#include <algorithm>

namespace {

// Optimal string alignment distance: a swapped pair of letters, the most
// common typing slip, counts as one edit.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::optional<std::string> NearestName(const std::string& word,
                                       const std::vector<std::string>& names) {
    std::optional<std::string> nearest;
    size_t best = 0;
    for (const std::string& name : names) {
        const size_t distance = EditDistance(word, name);
        if (!nearest || distance < best) {
            nearest = name;
            best = distance;
        }
    }
    // More than a third of the word changed is another word, not a slip.
    if (!nearest || best > std::max<size_t>(2, word.size() / 3))
        return std::nullopt;
    return nearest;
}
