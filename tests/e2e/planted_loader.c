/* Planted in a document's folder under the name WebView2Loader.dll: a process that loads it
   leaves the marker file planted_loader_ran.txt beside it, so a test sees whether the program
   took a loader from its working directory. It exports nothing. */
#include <windows.h>

#include <wchar.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    static const wchar_t marker[] = L"planted_loader_ran.txt";
    wchar_t path[MAX_PATH + 32];
    const DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
    wchar_t *slash = n > 0 && n < MAX_PATH ? wcsrchr(path, L'\\') : NULL;
    if (slash != NULL) {
      wcscpy(slash + 1, marker);
      HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                NULL);
      if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
      }
    }
  }
  return TRUE;
}
