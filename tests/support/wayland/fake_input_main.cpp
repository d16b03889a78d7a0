// quillo-fake-input: real key presses and clicks on a KWin Wayland session, for tests.
//
//   quillo-fake-input ACTION...
//     key CODE[+CODE...]   press the keys in order, release them in reverse (125+1 is Super+Escape)
//     type TEXT            type printable ASCII text on a US layout
//     move X Y             move the pointer to X, Y
//     click X Y            move there and click the left button
//
// Codes are evdev key codes (linux/input-event-codes.h). Exits 0 once the compositor has handled every event.

#include "evdev_keymap.h"
#include "fake_input_client.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

using namespace quillo::test;

namespace {

bool parseNumber(std::string_view text, double& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool parseChord(std::string_view text, std::vector<std::uint32_t>& codes) {
    while (!text.empty()) {
        const auto plus = text.find('+');
        const std::string_view part = text.substr(0, plus);
        std::uint32_t code = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), code);
        if (error != std::errc() || end != part.data() + part.size() || code == 0)
            return false;
        codes.push_back(code);
        text = plus == std::string_view::npos ? std::string_view() : text.substr(plus + 1);
        if (plus != std::string_view::npos && text.empty())
            return false;
    }
    return !codes.empty();
}

void pressChord(FakeInputClient& input, const std::vector<std::uint32_t>& codes) {
    for (std::uint32_t code : codes)
        input.key(code, true);
    for (auto it = codes.rbegin(); it != codes.rend(); ++it)
        input.key(*it, false);
}

bool type(FakeInputClient& input, std::string_view text) {
    for (char character : text) {
        const auto key = evdevKeyForAscii(character);
        if (!key) {
            std::fprintf(stderr, "quillo-fake-input: cannot type character %d\n", int(character));
            return false;
        }
        if (key->shift)
            pressChord(input, {kEvdevLeftShift, key->code});
        else
            pressChord(input, {key->code});
        // One character at a time: the receiving client sees each press and release in turn.
        if (!input.sync())
            return false;
    }
    return true;
}

int usage() {
    std::fputs("usage: quillo-fake-input (key CODE[+CODE...] | type TEXT | move X Y | click X Y)...\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty())
        return usage();
    FakeInputClient input;
    std::string error;
    if (!input.connect(error)) {
        std::fprintf(stderr, "quillo-fake-input: %s\n", error.c_str());
        return 1;
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view action = args[i];
        const std::size_t operands = action == "move" || action == "click" ? 2 : 1;
        if (i + operands >= args.size())
            return usage();
        if (action == "key") {
            std::vector<std::uint32_t> codes;
            if (!parseChord(args[++i], codes))
                return usage();
            pressChord(input, codes);
        } else if (action == "type") {
            if (!type(input, args[++i]))
                return 1;
        } else if (action == "move" || action == "click") {
            double x = 0;
            double y = 0;
            if (!parseNumber(args[i + 1], x) || !parseNumber(args[i + 2], y))
                return usage();
            i += 2;
            input.moveTo(x, y);
            if (action == "click") {
                input.button(kEvdevLeftButton, true);
                input.button(kEvdevLeftButton, false);
            }
        } else {
            return usage();
        }
        if (!input.sync()) {
            std::fputs("quillo-fake-input: the Wayland connection broke\n", stderr);
            return 1;
        }
    }
    return 0;
}
