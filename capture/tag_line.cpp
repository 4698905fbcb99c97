// Tag line formatting.
#include "tag_line.h"

#include <cstdio>

std::string FormatTagLine(std::int32_t number, const std::uint8_t* record) {
  // "天线" (antenna) in code page 936.
  static const char kFormat[] =
      "NO %d: %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X (\xCC\xEC\xCF\xDF%d)\r\n";
  const std::uint8_t* id = record;
  char line[96];
  int length = std::snprintf(line, sizeof line, kFormat, number, id[0], id[1], id[2], id[3], id[4],
                             id[5], id[6], id[7], id[8], id[9], id[10], id[11],
                             static_cast<unsigned>(record[kTagIdSize]));
  return std::string(line, static_cast<std::size_t>(length));
}
