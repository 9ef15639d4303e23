// The application's titles and prompt texts as a user must see them, written out here so that
// the end-to-end tests check the program against them rather than against its own constants.
#ifndef TESTS_E2E_EXPECTED_TEXTS_HH
#define TESTS_E2E_EXPECTED_TEXTS_HH

namespace expected {

constexpr const wchar_t *app_title =
    L"\u0632\u0648\u0631\u0641\u0644 \u0623\u0648\u0641\u064A\u0633"
    L" \u2014 Zorvel Office";
constexpr const wchar_t *short_title =
    L"\u0632\u0648\u0631\u0641\u0644 \u0623\u0648\u0641\u064A\u0633";

constexpr const wchar_t *install_prompt =
    L"يحتاج زورفل أوفيس إلى مكوّن WebView2 المجاني من مايكروسوفت، وهو مثبّت مسبقًا في ويندوز 11.\n"
    L"هل تريد تثبيته الآن؟\n\n"
    L"Zorvel Office needs the free Microsoft WebView2 Runtime (preinstalled on Windows 11).\n"
    L"Install it now?";

constexpr const wchar_t *fallback_prompt =
    L"تعذّر فتح نافذة زورفل أوفيس على هذا الجهاز (مكوّن WebView2 غير متاح).\n"
    L"اضغط «نعم» لفتح زورفل أوفيس في المتصفح الآن، أو «لا» لتثبيت المكوّن.\n\n"
    L"Zorvel Office could not open its window on this PC (WebView2 is not available).\n"
    L"Yes: open Zorvel Office in your browser now.  No: install WebView2.";

// Asked when the window of a page with unsaved work is closed.
constexpr const wchar_t *leave_prompt =
    L"قد لا تُحفَظ التغييرات التي أجريتها. هل تريد إغلاق زورفل أوفيس؟\n\n"
    L"Changes you made may not be saved. Close Zorvel Office anyway?";

} // namespace expected

#endif
