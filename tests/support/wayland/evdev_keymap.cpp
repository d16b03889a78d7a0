#include "evdev_keymap.h"

#include <string_view>

namespace quillo::test {
namespace {

// Rows of a US keyboard: the characters of each key, unshifted then shifted, with the key's evdev code.
struct KeyRow {
    std::string_view plain;
    std::string_view shifted;
    std::uint32_t firstCode;
};

constexpr KeyRow kRows[] = {
    {"1234567890-=", "!@#$%^&*()_+", 2},
    {"qwertyuiop[]", "QWERTYUIOP{}", 16},
    {"asdfghjkl;'`", "ASDFGHJKL:\"~", 30},
    {"\\zxcvbnm,./", "|ZXCVBNM<>?", 43},
};

} // namespace

std::optional<EvdevKey> evdevKeyForAscii(char character) {
    switch (character) {
    case ' ':
        return EvdevKey{57, false};
    case '\n':
        return EvdevKey{28, false};
    case '\t':
        return EvdevKey{15, false};
    default:
        break;
    }
    for (const KeyRow& row : kRows) {
        if (const auto at = row.plain.find(character); at != std::string_view::npos)
            return EvdevKey{row.firstCode + std::uint32_t(at), false};
        if (const auto at = row.shifted.find(character); at != std::string_view::npos)
            return EvdevKey{row.firstCode + std::uint32_t(at), true};
    }
    return std::nullopt;
}

} // namespace quillo::test
