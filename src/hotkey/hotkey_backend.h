#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

namespace quillo {

/// The desktop's system-wide key grab and keyboard layout, as HotKeyManager needs them. Each backend folder
/// defines makeHotKeyBackend(); CMake compiles exactly one. Main thread only.
class HotKeyBackend {
public:
    virtual ~HotKeyBackend() = default;

    /// Takes the combination for the whole desktop, replacing the previous grab. False, with nothing held, if
    /// the key cannot be grabbed (another program holds it, no such key, no display). Mask bits other than
    /// the four Carbon modifiers are ignored.
    virtual bool grab(quint32 keyCode, quint32 carbonModifiers) = 0;
    virtual void release() = 0; ///< Lets go of the grab, if any.

    /// The text the key types with no modifiers on the keyboard's current layout, read now; nothing when the
    /// layout gives no text or there is no keyboard to ask.
    virtual std::optional<QString> keyText(quint32 keyCode) = 0;

    /// Called on the main thread once per press, never for releases or repeats.
    std::function<void()> pressed;
};

std::unique_ptr<HotKeyBackend> makeHotKeyBackend();

} // namespace quillo
