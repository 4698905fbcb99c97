// The application object and the program's entry point.
#include "app.h"

namespace winkit {

namespace {
App* g_app = nullptr;
}  // namespace

App::App() { g_app = this; }

App::~App() {
  if (g_app == this) g_app = nullptr;
}

App* App::Current() { return g_app; }

int App::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

int Start(HINSTANCE module) {
  App* app = App::Current();
  if (app == nullptr) return 0;
  app->module_ = module;
  // Nothing may leave the entry point by an exception: the program just ends.
  try {
    return app->InitInstance() ? app->Run() : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace winkit

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return winkit::Start(instance); }
