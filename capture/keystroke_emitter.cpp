// Text bytes to key events.
#include "keystroke_emitter.h"

std::uint8_t VirtualKeyFor(char byte) {
  // Tested as a signed char: bytes 0x80 and above never match.
  if (byte >= '0' && byte <= '9') return static_cast<std::uint8_t>(byte + 0x30);  // VK_NUMPAD0..9
  if (byte >= 'A' && byte <= 'F') return static_cast<std::uint8_t>(byte);
  if (byte == ' ') return 0x20;   // VK_SPACE
  if (byte == '\r') return 0x0D;  // VK_RETURN
  return 0;
}

void TypeText(std::string_view text, KeySink& keys) {
  std::vector<KeyEvent> events;
  events.reserve(2 * text.size());
  for (char byte : text) {
    if (std::uint8_t vk = VirtualKeyFor(byte)) {
      events.push_back({vk, false});
      events.push_back({vk, true});
    }
  }
  if (!events.empty()) keys.Send(events);
}
