// EpcDll.dll under Wine: which names and baud rates open a port, and that nothing stays open otherwise.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "reader_library.h"
#include "wine_harness.h"

namespace {

// Calls ComOpenCom with the name in a zero-filled field of the size the reader link passes.
int Open(PortHandle* port, const std::string& name, int baud) {
  char field[kPortNameField] = {};
  std::memcpy(field, name.data(), std::min(name.size(), sizeof field));
  return ComOpenCom(port, field, baud);
}

// The handle value the process would get next: the lowest free one. A handle left open by a call
// moves it. (Wine counts no handles, and lets a port be opened twice.)
HANDLE NextHandle() {
  HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(probe);
  return probe;
}

// The program's port opens, and is closed again; fails the test otherwise.
void ExpectProgramPortFree() {
  PortHandle port = kNoPort;
  ASSERT_EQ(Open(&port, harness::kProgramPort, 115200), 1) << "the port was left open";
  ComCloseCom(&port);
}

TEST(EpcDll, OpensAnExistingPortWithAHandleForTheSerialCalls) {
  PortHandle port = kNoPort;
  ASSERT_EQ(Open(&port, harness::kProgramPort, 115200), 1);
  ASSERT_NE(port, kNoPort);
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 3, 2};
  EXPECT_TRUE(SetCommTimeouts(port, &timeouts));
  char buffer[16];
  DWORD got = 99;
  EXPECT_TRUE(ReadFile(port, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(got, 0u);

  HANDLE opened = port;
  EXPECT_EQ(ComCloseCom(&port), 1);
  EXPECT_EQ(port, kNoPort);
  EXPECT_EQ(NextHandle(), opened) << "the port's handle was not closed";
  ExpectProgramPortFree();
}

TEST(EpcDll, RefusesWhatIsNoSerialPortOrNoBaudRate) {
  struct Case {
    const char* what;
    std::string name;
    int baud;
  };
  const Case cases[] = {
      {"a port that does not exist", "COM9", 115200},
      {"the null device", "NUL", 9600},
      {"the console", "CON", 9600},
      {"a file's path", "C:\\windows\\win.ini", 9600},
      {"an empty name", "", 9600},
      {"a name that fills the field", "COM5" + std::string(kPortNameField - 4, ' '), 9600},
      {"baud 0", harness::kProgramPort, 0},
      {"a negative baud", harness::kProgramPort, -9600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PortHandle port = kNoPort;
    HANDLE next = NextHandle();
    EXPECT_EQ(Open(&port, c.name, c.baud), 0);
    EXPECT_EQ(port, kNoPort);
    EXPECT_EQ(NextHandle(), next) << "a handle was left open";
    ExpectProgramPortFree();
  }
}

TEST(EpcDll, KeepsNoTagBuffer) {
  std::uint8_t count[2] = {0xFF, 0xFF};
  std::uint8_t records[13 * 4] = {};
  ComGetMultiTagBuf(count, records);
  EXPECT_EQ(count[0], 0);
}

}  // namespace
