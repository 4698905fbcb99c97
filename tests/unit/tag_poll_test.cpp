// Tag lines and the tag-buffer poll.
#include <gtest/gtest.h>

#include "fakes.h"
#include "reader_link.h"
#include "tag_line.h"

namespace {

const std::uint8_t kRecord[kTagRecordSize] = {0xE2, 0x00, 0x00, 0x16, 0x01, 0x02,
                                              0x03, 0x04, 0xAB, 0xCD, 0xEF, 0x0A, 1};

TEST(FormatTagLine, IsTheCodePage936LineWithCrLf) {
  EXPECT_EQ(FormatTagLine(7, kRecord),
            "NO 7: E2 00 00 16 01 02 03 04 AB CD EF 0A (\xCC\xEC\xCF\xDF" "1)\r\n");
  std::uint8_t wide[kTagRecordSize];
  std::fill(std::begin(wide), std::end(wide), 0xFF);
  EXPECT_EQ(FormatTagLine(60001, wide),
            "NO 60001: FF FF FF FF FF FF FF FF FF FF FF FF (\xCC\xEC\xCF\xDF" "255)\r\n");
}

class TagPollTest : public testing::Test {
 protected:
  void SetUp() override { g_nTagCount = 0; }
  void TearDown() override {
    link_.OnStop();
    g_nTagCount = 0;
  }
  void AddRecords(int n) {
    for (int i = 0; i < n; ++i) library_.tagRecords.insert(library_.tagRecords.end(), kRecord, kRecord + kTagRecordSize);
  }

  FakeLibrary library_;
  ScriptedPort port_;
  RecordingKeys keys_;
  FakeControls controls_;
  ReaderLink link_{library_, port_, keys_, controls_};
};

TEST_F(TagPollTest, DoesNothingWhileNoPortIsOpen) {
  AddRecords(1);
  link_.OnTimer();
  EXPECT_EQ(library_.tagPolls, 0);
  EXPECT_TRUE(keys_.Batches().empty());
}

TEST_F(TagPollTest, TypesOneLineForEachRecordWithARunningNumber) {
  link_.OnStart();
  AddRecords(2);
  link_.OnTimer();
  EXPECT_EQ(keys_.Typed(), " 1 E2 00 00 16 01 02 03 04 AB CD EF 0A 1\r 2 E2 00 00 16 01 02 03 04 AB CD EF 0A 1\r");
  EXPECT_EQ(keys_.Batches().size(), 2u);
}

TEST_F(TagPollTest, NumbersRunToSixtyThousandAndOneThenStartAgain) {
  link_.OnStart();
  g_nTagCount = 59999;
  AddRecords(3);
  link_.OnTimer();
  std::string typed = keys_.Typed();
  EXPECT_EQ(typed.substr(0, 7), " 60000 ");
  EXPECT_NE(typed.find("\r 60001 "), std::string::npos);
  EXPECT_NE(typed.find("\r 1 "), std::string::npos);
  EXPECT_EQ(g_nTagCount, 1);
}

TEST_F(TagPollTest, AnEmptyBufferTypesNothing) {
  link_.OnStart();
  link_.OnTimer();
  EXPECT_EQ(library_.tagPolls, 1);
  EXPECT_TRUE(keys_.Batches().empty());
}

}  // namespace
