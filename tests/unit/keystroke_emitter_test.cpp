// Text bytes to key events.
#include "keystroke_emitter.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace {

struct TypeCase {
  const char* name;
  std::string text;
  std::string typed;  // keypad digits read as digits, Enter as CR
  friend void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }
};

class TypeTextTest : public testing::TestWithParam<TypeCase> {};

TEST_P(TypeTextTest, TypesOnlyTableBytesInOrder) {
  RecordingKeys keys;
  TypeText(GetParam().text, keys);
  EXPECT_EQ(keys.Typed(), GetParam().typed);
  // One batch per text, none at all when nothing is typed.
  EXPECT_EQ(keys.Batches().size(), GetParam().typed.empty() ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypeTextTest,
    testing::Values(
        TypeCase{"Empty", "", ""},
        TypeCase{"TagLineWithCrLf", "E2 00\r\n", "E2 00\r"},
        TypeCase{"LowerCaseDropped", "e2", "2"},
        TypeCase{"PunctuationAndLettersDropped", "NO 12: (x)", " 12 "},
        TypeCase{"DoubleByteDropped", "\xCC\xEC\xCF\xDF", ""},
        TypeCase{"TrailByteInRangeTyped", "\x81\x41", "A"},
        TypeCase{"TabLineFeedNulDropped", std::string("\t\n\0-G", 5), ""},
        TypeCase{"AllHexDigits", "0123456789ABCDEF", "0123456789ABCDEF"}),
    [](const auto& info) { return info.param.name; });

TEST(TypeText, DigitsAreKeypadKeysAndEachKeyIsPressedThenReleased) {
  RecordingKeys keys;
  TypeText("E2 0\r\n", keys);
  const std::vector<KeyEvent> expected = {
      {0x45, false}, {0x45, true}, {0x62, false}, {0x62, true}, {0x20, false},
      {0x20, true},  {0x60, false}, {0x60, true}, {0x0D, false}, {0x0D, true}};
  ASSERT_EQ(keys.Batches().size(), 1u);
  EXPECT_EQ(keys.Batches()[0], expected);
}

TEST(VirtualKeyFor, AcceptsExactlyTheTableBytes) {
  std::string accepted;
  for (int b = 0; b < 256; ++b) {
    if (VirtualKeyFor(static_cast<char>(b)) != 0) accepted += static_cast<char>(b);
  }
  EXPECT_EQ(accepted, "\r 0123456789ABCDEF");
}

}  // namespace
