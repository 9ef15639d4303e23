// The application without a browser runtime, driven from outside: its two prompts, what each
// answer opens in the default browser, and the exit code.
#include "e2e_support.hh"
#include "process_driver.hh"

#include "expected_texts.hh"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace e2e;

const std::string download_url = "https://go.microsoft.com/fwlink/p/?LinkId=2124703";
using expected::start_url;

class Prompts : public testing::Test {
protected:
  void SetUp() override {
    install_url_recorder();
    clear_runtime_registration();
  }
  void TearDown() override { clear_runtime_registration(); }

  // Waits for the program's next message box and checks what every prompt shares.
  static message_box next_prompt(running_program &app) {
    HWND dialog = app.find_window(L"#32770", 20000);
    EXPECT_NE(dialog, nullptr) << "no message box appeared";
    if (dialog == nullptr) {
      return {};
    }
    auto box = read_message_box(dialog);
    EXPECT_EQ(box.caption, expected::app_title);
    EXPECT_EQ(box.owner, nullptr) << "prompts have no owner window";
    EXPECT_TRUE(box.has_yes && box.has_no);
    EXPECT_FALSE(box.has_cancel || box.has_ok);
    return box;
  }

  static std::wstring text_of(const wchar_t *prompt) {
    // The dialog shows line breaks as they are written.
    return prompt;
  }
};

TEST_F(Prompts, InstallYesThenBrowserYes) {
  running_program app(quoted(app_path()), L"");
  ASSERT_TRUE(app.started());
  auto install = next_prompt(app);
  EXPECT_EQ(install.text, text_of(expected::install_prompt));
  press(install.handle, IDYES);
  EXPECT_EQ(opened_addresses(1), (std::vector<std::string>{download_url}));

  auto fallback = next_prompt(app);
  EXPECT_EQ(fallback.text, text_of(expected::fallback_prompt));
  press(fallback.handle, IDYES);
  EXPECT_EQ(app.wait(20000), 1);
  EXPECT_EQ(opened_addresses(2), (std::vector<std::string>{download_url, start_url}));
}

TEST_F(Prompts, InstallNoThenBrowserNo) {
  running_program app(quoted(app_path()) + L" --flag", L"");
  ASSERT_TRUE(app.started());
  auto install = next_prompt(app);
  EXPECT_EQ(install.text, text_of(expected::install_prompt));
  press(install.handle, IDNO);
  auto fallback = next_prompt(app);
  EXPECT_EQ(fallback.text, text_of(expected::fallback_prompt));
  press(fallback.handle, IDNO);
  EXPECT_EQ(app.wait(20000), 1);
  EXPECT_EQ(opened_addresses(1), (std::vector<std::string>{download_url}))
      << "No to the install prompt opens nothing; No to the fallback opens the download link";
}

TEST_F(Prompts, RegisteredRuntimeSkipsTheInstallPrompt) {
  set_string(HKEY_CURRENT_USER, clients_key, L"pv", L"120.0.2210.91");
  running_program app(quoted(app_path()), L"");
  ASSERT_TRUE(app.started());
  auto fallback = next_prompt(app);
  EXPECT_EQ(fallback.text, text_of(expected::fallback_prompt));
  press(fallback.handle, IDYES);
  EXPECT_EQ(app.wait(20000), 1);
  EXPECT_EQ(opened_addresses(1), (std::vector<std::string>{start_url}));
}

TEST_F(Prompts, PlaceholderVersionsEverywhereStillPrompt) {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    set_string(root, clients_key, L"pv", L"0.0.0.0");
    set_string(root, clients_wow_key, L"pv", L"0.0.0.0");
  }
  running_program app(quoted(app_path()), L"");
  ASSERT_TRUE(app.started());
  auto install = next_prompt(app);
  EXPECT_EQ(install.text, text_of(expected::install_prompt));
  press(install.handle, IDNO);
  press(next_prompt(app).handle, IDNO);
  EXPECT_EQ(app.wait(20000), 1);
}

} // namespace
