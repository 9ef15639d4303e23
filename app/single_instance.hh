// One program per user and session: the first start holds a named mutex and a message-only
// window; a later start hands its argument to that window and ends, so a second document or
// link opens in the running program.
#ifndef ZORVEL_APP_SINGLE_INSTANCE_HH
#define ZORVEL_APP_SINGLE_INSTANCE_HH

#include "handover_text.hh"

#include <windows.h>

#include <sddl.h>

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace zorvel {

namespace detail {

struct handle_closer {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using unique_handle = std::unique_ptr<void, handle_closer>;

struct local_freer {
  void operator()(void *p) const { LocalFree(p); }
};

constexpr const wchar_t *handover_class_name = L"ZorvelOffice.Handover";

// The current user's SID as text ("S-1-5-21-..."), or empty when it cannot be read.
inline std::wstring current_user_sid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return {};
  }
  const unique_handle token_owner(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) {
    return {};
  }
  std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
  if (!GetTokenInformation(token, TokenUser, buffer.get(), size, &size)) {
    return {};
  }
  wchar_t *text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer.get())->User.Sid, &text)) {
    return {};
  }
  const std::unique_ptr<void, local_freer> text_owner(text);
  return text;
}

// Names the mutex (after "Local\") and the receiving window: per user, since users of one
// session share its namespace and its windows. Empty when the user cannot be told.
inline std::wstring instance_name() {
  const std::wstring sid = current_user_sid();
  return sid.empty() ? std::wstring() : L"ZorvelOffice.Instance." + sid;
}

} // namespace detail

// Whether this is the first program of this user in this session. The first keeps the mutex
// until it ends; a later start lets go of it at once, so that the mutex lives exactly as long as
// the first program.
class instance_lock {
public:
  instance_lock() {
    const std::wstring name = detail::instance_name();
    if (name.empty()) {
      return; // never block a start
    }
    HANDLE mutex = CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str());
    if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(mutex);
      first_ = false;
      return;
    }
    mutex_.reset(mutex);
  }
  instance_lock(const instance_lock &) = delete;
  instance_lock &operator=(const instance_lock &) = delete;

  bool first() const { return first_; }

private:
  detail::unique_handle mutex_;
  bool first_ = true;
};

// What a later start sends for its first argument: nothing, a link as it is, or a file path made
// absolute against this process's working directory (the running program has another one).
inline std::wstring handover_argument(const wchar_t *arg) {
  if (arg == nullptr || arg[0] == L'-' || arg[0] == L'\0') {
    return {};
  }
  if (starts_with_link_scheme(arg)) {
    return arg;
  }
  const DWORD needed = GetFullPathNameW(arg, 0, nullptr, nullptr);
  if (needed == 0) {
    return arg; // the running program refuses it, and this start opens it itself
  }
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(arg, needed, &full[0], nullptr);
  if (length == 0 || length >= needed) {
    return arg;
  }
  full.resize(length);
  return full;
}

enum class handover_outcome { taken, nobody, no_answer };

// Sends `argument` to the first program's window. Taken only when it answered that it accepted
// it; nobody when there is no such program; no_answer when it refused or did not answer in time
// (hung), so that this start goes on by itself.
inline handover_outcome hand_over(const std::wstring &argument) {
  constexpr DWORD wait_ms = 3000;
  const std::wstring name = detail::instance_name();
  if (name.empty()) {
    return handover_outcome::nobody;
  }
  const std::wstring mutex_name = L"Local\\" + name;
  HWND window = nullptr;
  // The first program makes its window right after taking the mutex: wait while it starts.
  for (const ULONGLONG end = GetTickCount64() + wait_ms;;) {
    window = FindWindowExW(HWND_MESSAGE, nullptr, detail::handover_class_name, name.c_str());
    if (window != nullptr) {
      break;
    }
    const detail::unique_handle mutex(OpenMutexW(SYNCHRONIZE, FALSE, mutex_name.c_str()));
    if (!mutex || GetTickCount64() >= end) {
      return handover_outcome::nobody;
    }
    Sleep(50);
  }
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  AllowSetForegroundWindow(process); // the first may bring its window to the front
  COPYDATASTRUCT data{};
  data.dwData = handover_tag;
  data.cbData = static_cast<DWORD>(argument.size() * sizeof(wchar_t));
  data.lpData = argument.empty() ? nullptr : const_cast<wchar_t *>(argument.data());
  DWORD_PTR answer = FALSE;
  if (!SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                           SMTO_ABORTIFHUNG | SMTO_BLOCK, wait_ms, &answer)) {
    return IsWindow(window) ? handover_outcome::no_answer : handover_outcome::nobody;
  }
  return answer == TRUE ? handover_outcome::taken : handover_outcome::no_answer;
}

// The first program's receiving window (message-only). An accepted hand-over is answered at
// once and passed to `on_handover` later, from the thread's message loop: the sender is not kept
// waiting while a window opens.
class handover_window {
public:
  using callback = std::function<void(handover_kind, std::wstring)>;

  explicit handover_window(callback on_handover) : on_handover_(std::move(on_handover)) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &handover_window::procedure;
    wc.hInstance = module;
    wc.lpszClassName = detail::handover_class_name;
    RegisterClassExW(&wc); // fails harmlessly when a window of this process registered it
    window_ = CreateWindowExW(0, detail::handover_class_name, detail::instance_name().c_str(), 0, 0,
                              0, 0, 0, HWND_MESSAGE, nullptr, module, this);
  }
  handover_window(const handover_window &) = delete;
  handover_window &operator=(const handover_window &) = delete;
  // On the thread that made it.
  ~handover_window() {
    if (window_ != nullptr) {
      DestroyWindow(window_);
    }
  }

  HWND window() const { return window_; }

private:
  static constexpr UINT deliver_message = WM_APP + 0x4F;

  static LRESULT CALLBACK procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      const auto *create = reinterpret_cast<const CREATESTRUCTW *>(lp);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto *self = reinterpret_cast<handover_window *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    try { // no exception leaves a window procedure: the message is dropped instead
      if (self != nullptr && msg == WM_COPYDATA) {
        return self->receive(hwnd, reinterpret_cast<const COPYDATASTRUCT *>(lp));
      }
      if (self != nullptr && msg == deliver_message) {
        self->deliver();
        return 0;
      }
    } catch (...) {
      return FALSE;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  // The data is valid during this call only: copied before answering.
  LRESULT receive(HWND hwnd, const COPYDATASTRUCT *data) {
    std::wstring text;
    const handover_kind kind =
        data == nullptr ? handover_kind::refused
                        : classify_handover(data->dwData, data->lpData, data->cbData, text);
    if (kind == handover_kind::refused) {
      return FALSE;
    }
    waiting_.emplace_back(kind, std::move(text));
    if (!PostMessageW(hwnd, deliver_message, 0, 0)) {
      waiting_.pop_back();
      return FALSE;
    }
    return TRUE;
  }

  void deliver() {
    if (waiting_.empty()) {
      return;
    }
    auto next = std::move(waiting_.front());
    waiting_.pop_front();
    if (on_handover_) {
      on_handover_(next.first, std::move(next.second));
    }
  }

  callback on_handover_;
  std::deque<std::pair<handover_kind, std::wstring>> waiting_;
  HWND window_ = nullptr;
};

} // namespace zorvel

#endif
