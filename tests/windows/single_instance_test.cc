// One program per user and session, under Wine: the lock, and hand-overs between two threads of
// this process standing in for a later start (the sender) and the running program (a receiver
// thread with the receiving window).
#include "../../app/single_instance.hh"

#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace zorvel;

using received = std::pair<handover_kind, std::wstring>;

// The running program's side on a thread of its own: its receiving window appears after
// `delay_ms`; the thread then runs its messages (calling `during_callback` in each callback
// before it records what it received), or, when `pumps` is false, waits without
// running them until the receiver is destroyed (a hung program).
class receiver {
public:
  explicit receiver(bool pumps = true, DWORD delay_ms = 0,
                    std::function<void()> during_callback = nullptr)
      : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, pumps, delay_ms, during_callback] {
      Sleep(delay_ms);
      handover_window window([this, during_callback](handover_kind kind, std::wstring text) {
        if (during_callback) {
          during_callback();
        }
        const std::lock_guard<std::mutex> hold(mutex_);
        received_.emplace_back(kind, std::move(text));
      });
      thread_id_ = GetCurrentThreadId();
      SetEvent(ready_);
      if (!pumps) {
        WaitForSingleObject(release_, INFINITE);
        return;
      }
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
      }
    });
  }
  receiver(const receiver &) = delete;
  receiver &operator=(const receiver &) = delete;
  ~receiver() {
    SetEvent(release_);
    if (WaitForSingleObject(ready_, 10000) == WAIT_OBJECT_0) {
      PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    }
    thread_.join();
    CloseHandle(ready_);
    CloseHandle(release_);
  }

  bool wait_ready() const { return WaitForSingleObject(ready_, 10000) == WAIT_OBJECT_0; }

  // What the callback received once it has run `count` times (at most 10 s).
  std::vector<received> wait_for(std::size_t count) {
    for (int i = 0; i < 1000; ++i) {
      {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (received_.size() >= count) {
          return received_;
        }
      }
      Sleep(10);
    }
    const std::lock_guard<std::mutex> hold(mutex_);
    return received_;
  }

private:
  HANDLE ready_;
  HANDLE release_;
  DWORD thread_id_ = 0;
  std::mutex mutex_;
  std::vector<received> received_;
  std::thread thread_;
};

ULONGLONG elapsed_since(ULONGLONG start) {
  return GetTickCount64() - start;
}

TEST(SingleInstance, OnlyTheFirstStartIsFirstWhileItRuns) {
  auto first = std::make_unique<instance_lock>();
  EXPECT_TRUE(first->first());
  {
    const instance_lock later;
    EXPECT_FALSE(later.first());
    first.reset();
  }
  // The later start has ended as well; the next one is first again.
  EXPECT_TRUE(instance_lock().first());
}

TEST(SingleInstance, HandoverReachesTheRunningProgramWhichAnswersAtOnce) {
  const instance_lock lock;
  // The window comes after the mutex, as in a program that is starting; the first callback takes
  // longer than the sender waits, as opening a window does.
  bool slow = true;
  receiver running(true, 800, [&slow] {
    if (slow) {
      slow = false;
      Sleep(4000);
    }
  });

  EXPECT_EQ(hand_over(L"zorveloffice:open?doc=1&n=\u0639"), handover_outcome::taken);
  EXPECT_EQ(running.wait_for(1),
            (std::vector<received>{{handover_kind::link, L"zorveloffice:open?doc=1&n=\u0639"}}));

  EXPECT_EQ(hand_over(L"C:\\docs\\r.docx"), handover_outcome::taken);
  EXPECT_EQ(hand_over(L""), handover_outcome::taken);
  EXPECT_EQ(hand_over(L"docs\\r.docx"), handover_outcome::no_answer) << "refused";
  EXPECT_EQ(running.wait_for(3),
            (std::vector<received>{{handover_kind::link, L"zorveloffice:open?doc=1&n=\u0639"},
                                   {handover_kind::file, L"C:\\docs\\r.docx"},
                                   {handover_kind::front, L""}}));
}

TEST(SingleInstance, AHungProgramGivesNoAnswerWithinThreeSeconds) {
  const instance_lock lock;
  receiver hung(false);
  ASSERT_TRUE(hung.wait_ready());
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(hand_over(L"zorveloffice:x"), handover_outcome::no_answer);
  EXPECT_GE(elapsed_since(start), 2500u);
  EXPECT_LE(elapsed_since(start), 4500u);
}

TEST(SingleInstance, NoReceivingWindowGivesNobody) {
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(hand_over(L"zorveloffice:x"), handover_outcome::nobody) << "no program runs";
  EXPECT_LE(elapsed_since(start), 1000u) << "nothing to wait for";

  const instance_lock lock; // a program that holds the lock but never makes its window
  start = GetTickCount64();
  EXPECT_EQ(hand_over(L"zorveloffice:x"), handover_outcome::nobody);
  EXPECT_GE(elapsed_since(start), 2500u) << "waited for a program still starting";
  EXPECT_LE(elapsed_since(start), 4500u);
}

TEST(SingleInstance, ALaterStartSendsAbsolutePathsAndLinksAsTheyAre) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  wchar_t before[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryW(temp));
  const std::wstring folder = temp; // ends in a backslash

  EXPECT_EQ(handover_argument(L"docs\\r.docx"), folder + L"docs\\r.docx");
  EXPECT_EQ(handover_argument(L"sub\\..\\\u062A.docx"), folder + L"\u062A.docx");
  EXPECT_EQ(handover_argument(L"D:\\a\\r.docx"), L"D:\\a\\r.docx");
  EXPECT_EQ(handover_argument(L"\\\\server\\share\\r.docx"), L"\\\\server\\share\\r.docx");
  EXPECT_EQ(handover_argument(L"ZORVELOFFICE:a\\..\\b"), L"ZORVELOFFICE:a\\..\\b");
  EXPECT_EQ(handover_argument(L"--new-window"), L"");
  EXPECT_EQ(handover_argument(L""), L"");
  EXPECT_EQ(handover_argument(nullptr), L"");
  SetCurrentDirectoryW(before);
}

} // namespace
