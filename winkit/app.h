// The application object: one global instance, started by WinMain.
#pragma once

#include <windows.h>

namespace winkit {

class App {
 public:
  // The one instance registers itself; construct it as a global.
  App();
  virtual ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // Runs once the program has started. FALSE ends the program at once; TRUE enters the message loop.
  virtual BOOL InitInstance() = 0;

  static App* Current();
  HINSTANCE Module() const { return module_; }

 private:
  friend int Start(HINSTANCE module);
  int Run();

  HINSTANCE module_ = nullptr;
};

// What WinMain does: the instance's InitInstance, then its message loop if it asks for one.
int Start(HINSTANCE module);

}  // namespace winkit
