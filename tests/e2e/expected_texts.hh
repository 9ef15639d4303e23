// The application's start address, titles and prompt texts as a user must see them, written out
// here so that the end-to-end tests check the program against them rather than against its own
// constants.
#ifndef TESTS_E2E_EXPECTED_TEXTS_HH
#define TESTS_E2E_EXPECTED_TEXTS_HH

#include <string>

namespace expected {

inline const std::string start_url = "https://zo-desk-app.zorvel.net/app/?platform=desktop";
// An editor page of the suite's main site: the launch file goes to it.
inline const std::string editor_page = "https://zo-office.zorvel.net/en/suite/doc?id=7";

constexpr const wchar_t *app_title =
    L"\u0632\u0648\u0631\u0641\u0644 \u0623\u0648\u0641\u064A\u0633"
    L" \u2014 Zorvel Office";
constexpr const wchar_t *short_title =
    L"\u0632\u0648\u0631\u0641\u0644 \u0623\u0648\u0641\u064A\u0633";

// Each Arabic line sits inside a right-to-left embedding (U+202B ... U+202C), so that a message
// box, which lays out every line left to right, shows it as written.
constexpr const wchar_t *install_prompt =
    L"\u202Bيحتاج زورفل أوفيس إلى مكوّن WebView2 المجاني من مايكروسوفت، وهو مثبّت مسبقًا في ويندوز "
    L"11.\u202C\n"
    L"\u202Bهل تريد تثبيته الآن؟\u202C\n\n"
    L"Zorvel Office needs the free Microsoft WebView2 Runtime (preinstalled on Windows 11).\n"
    L"Install it now?";

constexpr const wchar_t *fallback_prompt =
    L"\u202Bتعذّر فتح نافذة زورفل أوفيس على هذا الجهاز (مكوّن WebView2 غير متاح).\u202C\n"
    L"\u202Bاضغط «نعم» لفتح زورفل أوفيس في المتصفح الآن، أو «لا» لتثبيت المكوّن.\u202C\n\n"
    L"Zorvel Office could not open its window on this PC (WebView2 is not available).\n"
    L"Yes: open Zorvel Office in your browser now.  No: install WebView2.";

// Shown when the browser control failed again and again and was given up.
constexpr const wchar_t *browser_lost_prompt =
    L"\u202Bتوقفت الصفحة عن العمل عدة مرات متتالية، فأُغلقت نافذة زورفل أوفيس.\u202C\n"
    L"\u202Bاضغط «نعم» لفتح زورفل أوفيس في المتصفح الآن، أو «لا» للإغلاق.\u202C\n\n"
    L"The page stopped working several times in a row, so Zorvel Office closed its window.\n"
    L"Yes: open Zorvel Office in your browser now.  No: close.";

// Asked when the window of a page with unsaved work is closed.
constexpr const wchar_t *leave_prompt =
    L"\u202Bقد لا تُحفَظ التغييرات التي أجريتها. هل تريد إغلاق زورفل أوفيس؟\u202C\n\n"
    L"Changes you made may not be saved. Close Zorvel Office anyway?";

// Asked when the page does not answer within seconds of the window being closed.
constexpr const wchar_t *close_unresponsive_prompt =
    L"\u202Bالصفحة لا تستجيب. هل تريد إغلاق زورفل أوفيس على أي حال؟\u202C\n"
    L"\u202Bقد لا تُحفَظ التغييرات التي أجريتها.\u202C\n\n"
    L"The page is not responding. Close Zorvel Office anyway?\n"
    L"Changes you made may not be saved.";

// Asked when the page has stopped responding.
constexpr const wchar_t *page_unresponsive_prompt =
    L"\u202Bالصفحة لا تستجيب.\u202C\n"
    L"\u202Bاضغط «نعم» لانتظارها، أو «لا» لإعادة تحميلها (قد تضيع التغييرات غير "
    L"المحفوظة).\u202C\n\n"
    L"The page is not responding.\n"
    L"Yes: wait for it.  No: reload it (unsaved changes may be lost).";

// The browser data folder cannot be opened, and the three answers.
constexpr const wchar_t *browser_data_in_use_prompt =
    L"\u202Bتعذّر فتح بيانات المتصفح الخاصة بزورفل أوفيس لأن متصفحًا آخر يستخدمها (ربما نسخة أخرى من "
    L"البرنامج شُغّلت بطريقة مختلفة).\u202C\n"
    L"\u202Bأغلق النسخة الأخرى ثم حاول مجددًا، أو ابدأ ببيانات متصفح جديدة (تُنقل البيانات القديمة "
    L"جانبًا ولا تُحذف)، أو افتح زورفل أوفيس في المتصفح.\u202C\n\n"
    L"Zorvel Office could not open its browser data: another browser is using it (perhaps another "
    L"copy of the program, started differently).\n"
    L"Close the other copy and try again, start with fresh browser data (the old data is moved "
    L"aside, not deleted), or open Zorvel Office in your browser.";
constexpr const wchar_t *browser_data_unusable_prompt =
    L"\u202Bتعذّر فتح بيانات المتصفح الخاصة بزورفل أوفيس: المجلد تالف أو لا يمكن استخدامه.\u202C\n"
    L"\u202Bحاول مجددًا، أو ابدأ ببيانات متصفح جديدة (تُنقل البيانات القديمة جانبًا ولا تُحذف)، أو "
    L"افتح زورفل أوفيس في المتصفح.\u202C\n\n"
    L"Zorvel Office could not open its browser data: the folder is damaged or cannot be used.\n"
    L"Try again, start with fresh browser data (the old data is moved aside, not deleted), or "
    L"open Zorvel Office in your browser.";
constexpr const wchar_t *try_again_button = L"\u202Bحاول مجددًا\u202C — Try again";
constexpr const wchar_t *fresh_data_button = L"\u202Bبيانات جديدة\u202C — Fresh data";
constexpr const wchar_t *open_in_browser_button = L"\u202Bفي المتصفح\u202C — In the browser";
constexpr const wchar_t *browser_data_moved_notice =
    L"\u202Bنُقلت بيانات المتصفح القديمة إلى:\u202C\nYour old browser data was moved to:\n";

} // namespace expected

#endif
