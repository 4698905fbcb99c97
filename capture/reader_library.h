// The reader library EpcDll.dll: its three exported functions, and the seam the reader link calls.
#pragma once

#include <cstdint>

#include "shared_state.h"

#ifdef _WIN32
#define EPC_API __stdcall
#else
#define EPC_API
#endif

// Exported undecorated, so that a vendor's library with the same interface can stand in for ours.
extern "C" {
// Opens the serial port named by the zero-terminated name at the given baud rate.
// Returns 1 with *port holding the open handle; anything else is a failure.
int EPC_API ComOpenCom(PortHandle* port, char* name, int baud);
// Closes the port in *port.
int EPC_API ComCloseCom(PortHandle* port);
// Fills count[0] with the number of buffered tag records and records with 13 bytes per record.
int EPC_API ComGetMultiTagBuf(std::uint8_t* count, std::uint8_t* records);
}

// Size of the port name field handed to ComOpenCom.
inline constexpr int kPortNameField = 20;

// The reader library as the reader link uses it; tests put a fake in its place.
class ReaderLibrary {
 public:
  virtual ~ReaderLibrary() = default;
  virtual int Open(PortHandle* port, char* name, int baud) = 0;
  virtual void Close(PortHandle* port) = 0;
  virtual void GetMultiTagBuf(std::uint8_t* count, std::uint8_t* records) = 0;
};
