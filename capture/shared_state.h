// State shared between the dialog's thread (the only writer) and the capture worker.
#pragma once

#include <atomic>
#include <cstdint>

// A platform handle of the reader's serial port (a Windows HANDLE).
using PortHandle = void*;

// INVALID_HANDLE_VALUE: all bits set.
inline PortHandle const kNoPort = reinterpret_cast<PortHandle>(~std::uintptr_t{0});

// The open port, or kNoPort whenever no port is open.
extern std::atomic<PortHandle> g_hComPort;

// The worker's run flag: 1 keeps it reading, anything else ends its loop.
extern std::atomic<std::int32_t> g_bReading;

// Number of the last tag line typed by the tag-buffer poll.
extern std::int32_t g_nTagCount;
