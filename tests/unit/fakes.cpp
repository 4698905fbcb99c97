// Reading recorded key events back as text.
#include "fakes.h"

#include <gtest/gtest.h>

std::string RecordingKeys::Typed() {
  std::string text;
  for (const auto& batch : Batches()) {
    EXPECT_EQ(batch.size() % 2, 0u);
    for (std::size_t i = 0; i + 1 < batch.size(); i += 2) {
      EXPECT_EQ(batch[i].vk, batch[i + 1].vk);
      EXPECT_FALSE(batch[i].up);
      EXPECT_TRUE(batch[i + 1].up);
      std::uint8_t vk = batch[i].vk;
      text += (vk >= 0x60 && vk <= 0x69) ? static_cast<char>('0' + vk - 0x60) : static_cast<char>(vk);
    }
  }
  return text;
}
