// Message maps: static tables from a message, control id and notification code to a member handler.
#pragma once

#include <cstddef>
#include <cstdint>

// Kept free of windows.h: messages, ids and codes are plain integers, so the lookup runs anywhere.
namespace winkit {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// WM_COMMAND: the control id is the low word of wParam, the notification code the high word.
inline constexpr unsigned kCommandMessage = 0x0111;

template <class T>
struct MessageEntry {
  unsigned message;
  unsigned id;    // WM_COMMAND only
  unsigned code;  // WM_COMMAND only
  LResult (*handler)(T& target, WParam wParam, LParam lParam);
};

// The first entry that answers the message, or nullptr.
template <class T>
const MessageEntry<T>* FindEntry(const MessageEntry<T>* first, std::size_t count, unsigned message, WParam wParam) {
  const unsigned id = static_cast<unsigned>(wParam & 0xFFFF);
  const unsigned code = static_cast<unsigned>((wParam >> 16) & 0xFFFF);
  for (std::size_t i = 0; i < count; ++i) {
    const MessageEntry<T>& entry = first[i];
    if (entry.message != message) continue;
    if (message == kCommandMessage && (entry.id != id || entry.code != code)) continue;
    return &entry;
  }
  return nullptr;
}

// Calls the handler the map names for the message; false when the map has none. Result is the
// platform's own result type (LRESULT is long on 32-bit Windows, where intptr_t is int).
template <class T, std::size_t N, class Result>
bool Dispatch(const MessageEntry<T> (&map)[N], T& target, unsigned message, WParam wParam, LParam lParam,
              Result& result) {
  const MessageEntry<T>* entry = FindEntry(map, N, message, wParam);
  if (entry == nullptr) return false;
  result = static_cast<Result>(entry->handler(target, wParam, lParam));
  return true;
}

}  // namespace winkit
