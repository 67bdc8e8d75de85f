#pragma once

class QKeyEvent;

namespace platform {

// The character code a typed key stands for, or 0 when it types no character. Escape is 27.
// With NumLock off the keypad sends movement keys; they are handed over as the digits printed
// on them, so the keypad's cross keeps working either way.
int keyAsciiOf(const QKeyEvent& event);

}  // namespace platform
