// The line typed for one record of the reader's tag buffer.
#pragma once

#include <cstdint>
#include <string>

// A record: the tag's 12-byte ID, then the antenna number.
inline constexpr int kTagIdSize = 12;
inline constexpr int kTagRecordSize = kTagIdSize + 1;

// "NO <number>: <ID as 12 upper-case hex pairs> (天线<antenna>)" + CR LF, in code page 936.
std::string FormatTagLine(std::int32_t number, const std::uint8_t* record);
