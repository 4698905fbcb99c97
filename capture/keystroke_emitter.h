// Turns text into synthesized key presses: keypad digits, A to F, space and Enter.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// One key event: a bare virtual-key code going down or up (scan code and extra information 0).
struct KeyEvent {
  std::uint8_t vk;
  bool up;
  bool operator==(const KeyEvent&) const = default;
};

// Where key events go: the platform's input queue, or a recorder in tests.
class KeySink {
 public:
  virtual ~KeySink() = default;
  // Sends the events in order, as one batch that the user's own typing cannot split.
  virtual void Send(const std::vector<KeyEvent>& events) = 0;
};

// Virtual-key code that a text byte is typed as, or 0 when the byte types nothing.
std::uint8_t VirtualKeyFor(char byte);

// Sends a press and a release for every byte that types a key, in text order, in one batch.
// Sends nothing when no byte types a key.
void TypeText(std::string_view text, KeySink& keys);
