// The page's own dialogs (alert, confirm, prompt) drawn natively, owned by the page's window:
// the browser's built-in dialogs are off, so that a page's question before it is left reaches
// the host on every document.
#ifndef WEBVIEW_DETAIL_BACKENDS_WIN32_PAGE_DIALOGS_HH
#define WEBVIEW_DETAIL_BACKENDS_WIN32_PAGE_DIALOGS_HH

#include <windows.h>

#include <string>
#include <vector>

namespace webview {
namespace detail {

// The host of an address as browsers name a page in its dialogs ("https://a.b:8/x" gives
// "a.b"); empty for an address without one (about:, data:).
inline std::wstring page_host(const std::wstring &uri) {
  const std::size_t scheme = uri.find(L"://");
  if (scheme == std::wstring::npos) {
    return {};
  }
  std::size_t start = scheme + 3;
  std::size_t end = uri.find_first_of(L"/?#", start);
  if (end == std::wstring::npos) {
    end = uri.size();
  }
  const std::size_t at = uri.rfind(L'@', end);
  if (at != std::wstring::npos && at >= start) {
    start = at + 1;
  }
  std::size_t colon = uri.find(L':', uri[start] == L'[' ? uri.find(L']', start) : start);
  if (colon == std::wstring::npos || colon > end) {
    colon = end;
  }
  return uri.substr(start, colon - start);
}

// A dialog template assembled in memory, so that the prompt needs no resource of the host's.
class dialog_template {
public:
  dialog_template(const std::wstring &caption, short cx, short cy, WORD items) {
    add_dword(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    add_dword(0);
    words_.push_back(items);
    for (short v : {short(0), short(0), cx, cy}) {
      words_.push_back(static_cast<WORD>(v));
    }
    words_.push_back(0); // no menu
    words_.push_back(0); // the default class
    add_text(caption);
    words_.push_back(9);
    add_text(L"MS Shell Dlg");
  }

  // Atoms of the predefined classes: 0x80 button, 0x81 edit, 0x82 static.
  void add_item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
                const std::wstring &text) {
    if (words_.size() % 2 != 0) {
      words_.push_back(0); // every item starts on a DWORD boundary
    }
    add_dword(style | WS_CHILD | WS_VISIBLE);
    add_dword(0);
    for (short v : {x, y, cx, cy}) {
      words_.push_back(static_cast<WORD>(v));
    }
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(atom);
    add_text(text);
    words_.push_back(0); // no creation data
  }

  const DLGTEMPLATE *get() const { return reinterpret_cast<const DLGTEMPLATE *>(words_.data()); }

private:
  void add_dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void add_text(const std::wstring &text) {
    words_.insert(words_.end(), text.begin(), text.end());
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

// What the prompt starts with and, after OK, what the user typed.
struct prompt_answer {
  std::wstring text;
};

constexpr WORD prompt_edit_id = 100;

inline INT_PTR CALLBACK prompt_dialog_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
  case WM_INITDIALOG: {
    SetWindowLongPtrW(dialog, DWLP_USER, lp);
    const auto *answer = reinterpret_cast<prompt_answer *>(lp);
    HWND edit = GetDlgItem(dialog, prompt_edit_id);
    SetWindowTextW(edit, answer->text.c_str());
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    return FALSE; // the focus is set
  }
  case WM_COMMAND:
    if (LOWORD(wp) == IDOK) {
      auto *answer = reinterpret_cast<prompt_answer *>(GetWindowLongPtrW(dialog, DWLP_USER));
      HWND edit = GetDlgItem(dialog, prompt_edit_id);
      std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
      text.resize(
          static_cast<std::size_t>(GetWindowTextW(edit, &text[0], static_cast<int>(text.size()))));
      answer->text = std::move(text);
      EndDialog(dialog, IDOK);
      return TRUE;
    }
    if (LOWORD(wp) == IDCANCEL) {
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    }
    return FALSE;
  default:
    return FALSE;
  }
}

// A page's prompt(): the message, a text field holding `answer.text`, OK and Cancel. True for
// OK, with the field's text in `answer.text`.
inline bool ask_page_prompt(HWND owner, const std::wstring &caption, const std::wstring &message,
                            prompt_answer &answer) {
  dialog_template dialog(caption, 260, 96, 4);
  dialog.add_item(SS_LEFT | SS_NOPREFIX, 7, 7, 246, 40, static_cast<WORD>(-1), 0x82, message);
  dialog.add_item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 52, 246, 14, prompt_edit_id, 0x81,
                  L"");
  dialog.add_item(BS_DEFPUSHBUTTON | WS_TABSTOP, 149, 74, 50, 14, IDOK, 0x80, L"OK");
  dialog.add_item(BS_PUSHBUTTON | WS_TABSTOP, 203, 74, 50, 14, IDCANCEL, 0x80, L"Cancel");
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), owner, prompt_dialog_proc,
                                 reinterpret_cast<LPARAM>(&answer)) == IDOK;
}

} // namespace detail
} // namespace webview

#endif
