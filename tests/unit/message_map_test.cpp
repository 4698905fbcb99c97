// Routing through a dialog's message map: which handler a message, control id and code reach.
#include "../../winkit/message_map.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using winkit::LParam;
using winkit::LResult;
using winkit::WParam;

// Message numbers as Windows has them.
constexpr unsigned kPaint = 0x000F, kSize = 0x0005, kCommand = 0x0111, kTimer = 0x0113, kTray = 0x0400 + 10;
constexpr unsigned kClicked = 0, kSelChange = 1;

struct Target {
  std::string called;
  WParam wParam = 0;
  LParam lParam = 0;
};

template <char Name>
LResult Record(Target& t, WParam w, LParam l) {
  t.called += Name;
  t.wParam = w;
  t.lParam = l;
  return Name;
}

const winkit::MessageEntry<Target> kMap[] = {
    {kPaint, 0, 0, Record<'P'>},
    {kCommand, 1000, kClicked, Record<'S'>},
    {kCommand, 1001, kClicked, Record<'T'>},
    {kCommand, 1002, kSelChange, Record<'L'>},
    {kTimer, 0, 0, Record<'M'>},
    {kTray, 0, 0, Record<'Y'>},
    {kSize, 0, 0, Record<'Z'>},
    {kSize, 0, 0, Record<'z'>},  // never reached: the first entry wins
};

constexpr WParam Command(unsigned id, unsigned code) { return (WParam{code} << 16) | id; }

struct Case {
  const char* what;
  unsigned message;
  WParam wParam;
  const char* called;  // "" when the map has no handler
};

const Case kCases[] = {
    {"a message without control id", kPaint, 0, "P"},
    {"wParam does not matter outside WM_COMMAND", kTimer, 0xFFFF0000u | 1000u, "M"},
    {"button 1000 clicked", kCommand, Command(1000, kClicked), "S"},
    {"button 1001 clicked", kCommand, Command(1001, kClicked), "T"},
    {"another code of a mapped control", kCommand, Command(1000, kSelChange), ""},
    {"a mapped code from another control", kCommand, Command(1003, kSelChange), ""},
    {"a control whose id is a mapped code", kCommand, Command(kSelChange, 1002), ""},
    {"an id the map does not know", kCommand, Command(2, kClicked), ""},
    {"a message the map does not know", 0x0002, 0, ""},
    {"the first of two entries", kSize, 1, "Z"},
    {"a tray message", kTray, 128, "Y"},
};

TEST(MessageMapTest, EachMessageReachesItsHandlerOrNone) {
  for (const Case& c : kCases) {
    Target target;
    LResult result = -1;
    bool handled = winkit::Dispatch(kMap, target, c.message, c.wParam, 42, result);
    EXPECT_EQ(target.called, c.called) << c.what;
    EXPECT_EQ(handled, *c.called != '\0') << c.what;
    if (handled) {
      EXPECT_EQ(result, c.called[0]) << c.what;
      EXPECT_EQ(target.wParam, c.wParam) << c.what;
      EXPECT_EQ(target.lParam, 42) << c.what;
    } else {
      EXPECT_EQ(result, -1) << c.what << ": the result is left alone";
    }
  }
}

TEST(MessageMapTest, CommandBitsAboveTheHighWordAreNotPartOfTheCode) {
  // On 64-bit Windows wParam has 64 bits; only its low 32 carry the id and code.
  if (sizeof(WParam) < 8) GTEST_SKIP() << "32-bit wParam";
  Target target;
  LResult result = 0;
  WParam wide = (WParam{1} << 40) | Command(1001, kClicked);
  EXPECT_TRUE(winkit::Dispatch(kMap, target, kCommand, wide, 0, result));
  EXPECT_EQ(target.called, "T");
}

}  // namespace
