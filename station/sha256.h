// SHA-256 (FIPS 180-4), for pinning a recipe's files and naming the recipe a
// unit was made with. Small enough to keep here rather than pull a crypto
// library onto every platform the station runs on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

// The digest of `bytes` as 64 lower-case hex digits.
std::string Sha256Hex(std::span<const uint8_t> bytes);

// The digest of a whole file; nothing when it cannot be read.
std::optional<std::string> FileSha256Hex(const std::filesystem::path& path);
