// The application's titles and the texts of its two prompts (UTF-8 source; built as UTF-16).
#ifndef ZORVEL_APP_APP_TEXTS_HH
#define ZORVEL_APP_APP_TEXTS_HH

namespace zorvel {

constexpr const char *app_title_utf8 = "زورفل أوفيس — Zorvel Office";
constexpr const wchar_t *app_title = L"زورفل أوفيس — Zorvel Office";
constexpr const wchar_t *app_short_title = L"زورفل أوفيس";

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

// Asked when the window of a page with unsaved work is closed: Yes leaves, No stays.
constexpr const wchar_t *leave_prompt =
    L"قد لا تُحفَظ التغييرات التي أجريتها. هل تريد إغلاق زورفل أوفيس؟\n\n"
    L"Changes you made may not be saved. Close Zorvel Office anyway?";

} // namespace zorvel

#endif
