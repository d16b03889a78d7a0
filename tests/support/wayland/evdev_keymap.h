#pragma once

#include <cstdint>
#include <optional>

namespace quillo::test {

/// A key of a US keyboard as the kernel numbers it, and whether Shift must be held to get the character.
struct EvdevKey {
    std::uint32_t code = 0;
    bool shift = false;
};

/// The key that types this printable ASCII character (or newline, tab) on a US layout; nothing for others.
std::optional<EvdevKey> evdevKeyForAscii(char character);

constexpr std::uint32_t kEvdevLeftShift = 42;
constexpr std::uint32_t kEvdevLeftButton = 0x110;

} // namespace quillo::test
