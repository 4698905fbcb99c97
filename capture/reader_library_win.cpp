// The reader link's calls into EpcDll.dll, imported by name.
#include "platform_win.h"

int EpcDllLibrary::Open(PortHandle* port, char* name, int baud) { return ComOpenCom(port, name, baud); }

void EpcDllLibrary::Close(PortHandle* port) { ComCloseCom(port); }

void EpcDllLibrary::GetMultiTagBuf(std::uint8_t* count, std::uint8_t* records) {
  ComGetMultiTagBuf(count, records);
}
