// The module's start and end: the double's web views get browser pages from the start, and a
// browser that no page closed is told to close when the process ends.

#include "browser_page.hh"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    zbr::register_browser_pages();
  } else if (reason == DLL_PROCESS_DETACH && reserved != nullptr) {
    zbr::BrowserProcess::close_at_exit();
  }
  return TRUE;
}
