// engine_base through an in-memory backend: dispatch, default size, scripts, bindings, replies.
#include "../support/test_engine.hh"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace test_support;

TEST(Dispatch, RunsLaterInQueueOrder) {
  test_engine engine;
  engine.pump();
  std::vector<int> order;
  ASSERT_TRUE(engine.dispatch([&] { order.push_back(1); }).ok());
  engine.dispatch([&] {
    order.push_back(2);
    engine.dispatch([&] { order.push_back(4); });
  });
  engine.dispatch([&] { order.push_back(3); });
  EXPECT_TRUE(order.empty()) << "nothing runs inside dispatch";
  engine.pump();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(Dispatch, FromWorkerThreadsRunsOnceEachInPostingOrder) {
  test_engine engine;
  engine.pump();
  std::vector<int> order;
  const auto ui_thread = std::this_thread::get_id();
  std::atomic<bool> wrong_thread{false};
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) {
      engine.dispatch([&, i] {
        wrong_thread = wrong_thread || std::this_thread::get_id() != ui_thread;
        order.push_back(i);
        if (i == 99) {
          engine.terminate();
        }
      });
    }
  });
  engine.run();
  worker.join();
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(order[i], i);
  }
  EXPECT_FALSE(wrong_thread);
}

TEST(DefaultSize, AppliesOnlyWhenNoSizeWasSet) {
  {
    test_engine engine;
    engine.pump();
    ASSERT_EQ(engine.sizes.size(), 1u);
    EXPECT_EQ(engine.sizes[0].width, 640);
    EXPECT_EQ(engine.sizes[0].height, 480);
    EXPECT_EQ(engine.sizes[0].hint, hint_none);
  }
  {
    test_engine engine;
    engine.set_size(1280, 840, hint_none);
    engine.pump();
    ASSERT_EQ(engine.sizes.size(), 1u);
    EXPECT_EQ(engine.sizes[0].width, 1280);
  }
  {
    test_engine engine;
    engine.set_default_size_guard(true);
    engine.pump();
    EXPECT_TRUE(engine.sizes.empty());
    EXPECT_TRUE(engine.size_set());
  }
  {
    // A host window keeps its own size.
    test_engine engine(false);
    engine.dispatch_size_default();
    engine.pump();
    EXPECT_TRUE(engine.sizes.empty());
  }
}

TEST(Navigate, EmptyAddressLoadsBlankPage) {
  test_engine engine;
  engine.navigate("");
  engine.navigate("https://example.test/");
  EXPECT_EQ(engine.navigations, (std::vector<std::string>{"about:blank", "https://example.test/"}));
}

TEST(UserScripts, ReplaceReinstallsAllInOrderAndChangesOnlyTheMatch) {
  test_engine engine;
  auto *first = engine.add_user_script("one");
  auto *second = engine.add_user_script("two");
  engine.add_user_script("three");
  // The bridge script is installed first by the backend, so four scripts are in the list.
  ASSERT_EQ(engine.user_scripts().size(), 4u);
  engine.script_log.clear();

  auto *result = engine.replace_user_script(*second, "TWO");
  ASSERT_EQ(result, second) << "the result is the matching entry, at its place";
  EXPECT_EQ(result->get_code(), "TWO");
  EXPECT_EQ(engine.script_log,
            (std::vector<std::string>{"remove:1", "remove:2", "remove:3", "remove:4", "add:5",
                                      "add:6", "add:7", "add:8"}));
  std::vector<std::string> codes;
  for (const auto &entry : engine.installed) {
    codes.push_back(entry.second);
  }
  ASSERT_EQ(codes.size(), 4u);
  EXPECT_EQ(codes[1], "one");
  EXPECT_EQ(codes[2], "TWO");
  EXPECT_EQ(codes[3], "three");
  EXPECT_EQ(first->get_code(), "one");
}

TEST(UserScripts, ReplaceOnEmptyListInstallsNothing) {
  test_engine engine(true, false);
  test_engine other(true, false);
  auto *foreign = other.add_user_script("foreign");
  EXPECT_EQ(engine.replace_user_script(*foreign, "new"), nullptr);
  EXPECT_TRUE(engine.installed.empty());
  EXPECT_TRUE(engine.script_log.empty());
  EXPECT_TRUE(engine.user_scripts().empty());
}

TEST(UserScripts, ReplaceWithoutMatchReinstallsAndReturnsNone) {
  test_engine engine;             // bridge has id 1
  engine.add_user_script("mine"); // id 2
  test_engine other(true, false);
  for (int i = 0; i < 4; ++i) {
    other.add_user_script("pad"); // ids 1..4: the last matches no entry of `engine`
  }
  engine.script_log.clear();
  EXPECT_EQ(engine.replace_user_script(other.user_scripts().back(), "new"), nullptr);
  EXPECT_EQ(engine.script_log,
            (std::vector<std::string>{"remove:1", "remove:2", "add:3", "add:4"}));
  EXPECT_EQ(engine.installed.back().second, "mine");
}

TEST(DefaultSize, DisabledWithoutBridge) {
  test_engine engine(true, false);
  engine.dispatch([] {});
  engine.pump();
  EXPECT_TRUE(engine.sizes.empty());
}

TEST(Bindings, BindInstallsOneBindScriptListingNamesInTableOrder) {
  test_engine engine;
  ASSERT_TRUE(engine.bind("b", [](std::string) { return std::string("1"); }).ok());
  ASSERT_TRUE(engine.bind("a", [](std::string) { return std::string("2"); }).ok());
  ASSERT_EQ(engine.user_scripts().size(), 2u) << "bridge, then one bind script";
  const std::string expected = "(function() {\n  'use strict';\n  var methods = [\"a\",\"b\"];\n"
                               "  methods.forEach(function(name) {\n"
                               "    window.__webview__.onBind(name);\n  });\n})()";
  EXPECT_EQ(engine.user_scripts().back().get_code(), expected);
  EXPECT_EQ(engine.installed.back().second, expected);
  EXPECT_EQ(
      engine.evaluated,
      (std::vector<std::string>{"if (window.__webview__) {\nwindow.__webview__.onBind(\"b\")\n}",
                                "if (window.__webview__) {\nwindow.__webview__.onBind(\"a\")\n}"}));
}

TEST(Bindings, BindScriptKeepsItsPlaceBehindLaterInitScripts) {
  test_engine engine;
  engine.bind("f", [](std::string) { return std::string(); });
  engine.init("page script");
  engine.bind("g", [](std::string) { return std::string(); });
  std::vector<std::string> codes;
  for (const auto &entry : engine.installed) {
    codes.push_back(entry.second);
  }
  ASSERT_EQ(codes.size(), 3u);
  EXPECT_NE(codes[0].find("window.__webview__ = new Webview()"), std::string::npos);
  EXPECT_NE(codes[1].find("[\"f\",\"g\"]"), std::string::npos);
  EXPECT_EQ(codes[2], "page script");
}

TEST(Bindings, NamesAreEscapedInScripts) {
  test_engine engine;
  engine.bind("say \"hi\"\\", [](std::string) { return std::string(); });
  EXPECT_NE(engine.user_scripts().back().get_code().find("[\"say \\\"hi\\\"\\\\\"]"),
            std::string::npos);
  EXPECT_EQ(engine.evaluated.back(),
            "if (window.__webview__) {\nwindow.__webview__.onBind(\"say \\\"hi\\\"\\\\\")\n}");
}

TEST(Bindings, DuplicateAndMissingNames) {
  test_engine engine;
  int calls = 0;
  engine.bind("f", [&](std::string) {
    ++calls;
    return std::string("1");
  });
  const auto evaluated = engine.evaluated.size();
  auto duplicate = engine.bind("f", [](std::string) { return std::string("2"); });
  ASSERT_TRUE(duplicate.has_error());
  EXPECT_EQ(duplicate.error().code, error_duplicate);
  EXPECT_EQ(duplicate.error().message, "");
  EXPECT_EQ(engine.evaluated.size(), evaluated) << "a duplicate runs no script";

  engine.receive(R"({"id":"i1","method":"f","params":[]})");
  engine.pump();
  EXPECT_EQ(calls, 1) << "the first callback stays";

  auto missing = engine.unbind("nope");
  ASSERT_TRUE(missing.has_error());
  EXPECT_EQ(missing.error().code, error_not_found);
  EXPECT_TRUE(engine.unbind("f").ok());
  EXPECT_EQ(engine.evaluated.back(),
            "if (window.__webview__) {\nwindow.__webview__.onUnbind(\"f\")\n}");
  EXPECT_NE(engine.user_scripts().back().get_code().find("var methods = [];"), std::string::npos);
}

TEST(Calls, MessageRunsBindingLaterAndReplies) {
  test_engine engine;
  engine.pump();
  std::vector<std::string> requests;
  engine.bind("add", [&](std::string req) {
    requests.push_back(req);
    return std::string("{\"sum\":3}");
  });
  engine.evaluated.clear();
  engine.receive(R"({"id":"0123456789abcdef0123456789abcdef","method":"add","params":[1,2]})");
  EXPECT_TRUE(requests.empty()) << "the call never runs inside on_message";
  engine.pump();
  EXPECT_EQ(requests, (std::vector<std::string>{"[1,2]"}));
  EXPECT_EQ(
      engine.evaluated,
      (std::vector<std::string>{"window.__webview__.onReply(\"0123456789abcdef0123456789abcdef\", "
                                "0, \"{\\\"sum\\\":3}\")"}));
}

TEST(Calls, CallWithoutArgumentsGetsEmptyArray) {
  test_engine engine;
  std::string request = "unset";
  engine.bind("f", [&](std::string req) {
    request = req;
    return std::string();
  });
  engine.evaluated.clear();
  engine.receive(R"({"id":"x","method":"f","params":[]})");
  engine.pump();
  EXPECT_EQ(request, "[]");
  EXPECT_EQ(engine.evaluated.back(), "window.__webview__.onReply(\"x\", 0, undefined)");
}

TEST(Calls, UnknownOrMalformedMessagesAreDropped) {
  test_engine engine;
  engine.pump();
  int calls = 0;
  engine.bind("f", [&](std::string) {
    ++calls;
    return std::string("1");
  });
  engine.evaluated.clear();
  for (const char *msg : {R"({"id":"x","method":"g","params":[]})", "not json", "",
                          R"({"id":"x","params":[]})", R"({"id":"x","method":"F","params":[]})"}) {
    engine.receive(msg);
  }
  EXPECT_EQ(engine.queued(), 0u);
  engine.pump();
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(engine.evaluated.empty());
}

TEST(Calls, UnbindAfterReceiptDoesNotCancelTheCall) {
  test_engine engine;
  int calls = 0;
  engine.bind("f", [&](std::string) {
    ++calls;
    return std::string("1");
  });
  engine.receive(R"({"id":"x","method":"f","params":[]})");
  engine.unbind("f");
  engine.pump();
  EXPECT_EQ(calls, 1);
}

TEST(Calls, ThrowingHandlerLeavesCallUnansweredAndLoopRunning) {
  test_engine engine;
  engine.pump();
  engine.bind("boom", [](std::string) -> std::string { throw std::runtime_error("x"); });
  engine.evaluated.clear();
  engine.receive(R"({"id":"x","method":"boom","params":[]})");
  int after = 0;
  engine.dispatch([&] { ++after; });
  EXPECT_NO_THROW(engine.pump());
  EXPECT_EQ(after, 1);
  EXPECT_TRUE(engine.evaluated.empty());
}

TEST(Calls, SourcedBindingLearnsTheSenderAndChoosesTheStatus) {
  test_engine engine;
  engine.pump();
  std::vector<std::string> seen;
  engine.bind_with_source("who", [&](const std::string &req, const std::string &source) {
    seen.push_back(source + " " + req);
    return binding_answer{source.empty() ? 1 : 0, "\"ok\""};
  });
  engine.evaluated.clear();
  engine.receive_from("https://a.test/p?q", R"({"id":"1","method":"who","params":[7]})");
  engine.receive(R"({"id":"2","method":"who","params":[]})");
  engine.pump();
  EXPECT_EQ(seen, (std::vector<std::string>{"https://a.test/p?q [7]", " []"}))
      << "a message delivered without a sender reaches the binding with an empty source";
  EXPECT_EQ(engine.evaluated,
            (std::vector<std::string>{"window.__webview__.onReply(\"1\", 0, \"\\\"ok\\\"\")",
                                      "window.__webview__.onReply(\"2\", 1, \"\\\"ok\\\"\")"}));
}

TEST(Calls, ReplyForAReplacedDocumentIsDropped) {
  test_engine engine;
  engine.pump();
  std::vector<std::string> answers; // ids that the flat-style binding is asked to answer
  engine.bind(
      "slow", [&](std::string id, std::string, void *) { answers.push_back(id); }, nullptr);
  engine.bind("now", [](std::string) { return std::string("1"); });
  engine.evaluated.clear();
  engine.receive_from("https://a.test/", R"({"id":"old","method":"slow","params":[]})");
  engine.receive_from("https://a.test/", R"({"id":"same","method":"now","params":[]})");
  engine.pump();
  ASSERT_EQ(answers, std::vector<std::string>{"old"});
  engine.new_document();
  engine.receive_from("https://b.test/", R"({"id":"new","method":"slow","params":[]})");
  engine.pump();
  // Both answers come after the navigation: only the new document's is evaluated.
  engine.resolve("old", 0, "\"secret\"");
  engine.resolve("new", 0, "2");
  engine.pump();
  EXPECT_EQ(engine.evaluated,
            (std::vector<std::string>{"window.__webview__.onReply(\"same\", 0, \"1\")",
                                      "window.__webview__.onReply(\"new\", 0, \"2\")"}));
  // A reply raced by a navigation: received in the old document, answered in the new one.
  engine.evaluated.clear();
  engine.receive_from("https://b.test/", R"({"id":"raced","method":"now","params":[]})");
  engine.new_document();
  engine.pump();
  EXPECT_TRUE(engine.evaluated.empty()) << engine.evaluated.front();
}

TEST(Calls, RepliesWaitWhileANavigationDecidesTheirDocument) {
  test_engine engine;
  engine.pump();
  std::vector<std::string> returned; // results handed back by replies that were dropped
  engine.bind_with_source("once", [&](const std::string &, const std::string &) {
    binding_answer answer{0, "\"file\""};
    answer.undelivered = [&](std::string result) { returned.push_back(result); };
    return answer;
  });
  engine.evaluated.clear();

  // The navigation started before the reply: it commits a new document, so the reply runs
  // nowhere and its result is handed back.
  engine.receive_from("https://a.test/", R"({"id":"1","method":"once","params":[]})");
  engine.navigation_starting(7);
  engine.pump();
  EXPECT_TRUE(engine.evaluated.empty()) << "held while the navigation may still commit";
  engine.new_document();
  engine.navigation_ended(7);
  engine.pump();
  EXPECT_TRUE(engine.evaluated.empty()) << engine.evaluated.front();
  EXPECT_EQ(returned, std::vector<std::string>{"\"file\""});

  // The user stayed (the navigation ended without a new document): the reply is delivered,
  // once both navigations under way have ended.
  engine.receive_from("https://b.test/", R"({"id":"2","method":"once","params":[]})");
  engine.navigation_starting(8);
  engine.navigation_starting(9);
  engine.pump();
  engine.navigation_ended(8);
  EXPECT_TRUE(engine.evaluated.empty()) << "another navigation is still under way";
  engine.navigation_ended(9);
  EXPECT_EQ(engine.evaluated,
            std::vector<std::string>{"window.__webview__.onReply(\"2\", 0, \"\\\"file\\\"\")"});
  EXPECT_EQ(returned.size(), 1u);
}

TEST(Resolve, ReplyTexts) {
  test_engine engine;
  engine.pump();
  engine.evaluated.clear();
  engine.resolve("id0", 0, "true");
  engine.resolve("id1", 1, "{\"x\":1}");
  engine.resolve("id3", -3, "abc");
  engine.resolve("ide", 0, "");
  engine.resolve("q\"", 0, "\"s\"");
  EXPECT_TRUE(engine.evaluated.empty()) << "replies are dispatched";
  engine.pump();
  EXPECT_EQ(engine.evaluated, (std::vector<std::string>{
                                  "window.__webview__.onReply(\"id0\", 0, \"true\")",
                                  "window.__webview__.onReply(\"id1\", 1, \"{\\\"x\\\":1}\")",
                                  "window.__webview__.onReply(\"id3\", -3, \"abc\")",
                                  "window.__webview__.onReply(\"ide\", 0, undefined)",
                                  "window.__webview__.onReply(\"q\\\"\", 0, \"\\\"s\\\"\")",
                              }));
}

TEST(Resolve, FromAnotherThreadIsEvaluatedOnTheLoop) {
  test_engine engine;
  engine.pump();
  engine.evaluated.clear();
  std::thread worker([&] {
    engine.resolve("w", 0, "1");
    engine.dispatch([&] { engine.terminate(); });
  });
  engine.run();
  worker.join();
  EXPECT_EQ(engine.evaluated,
            (std::vector<std::string>{"window.__webview__.onReply(\"w\", 0, \"1\")"}));
}

TEST(WindowCount, LastWindowEndsTheLoopUnlessSkipped) {
  ASSERT_EQ(window_count.load(), 0);
  {
    test_engine one;
    test_engine two;
    EXPECT_EQ(window_count.load(), 2);
    one.close_window();
    EXPECT_EQ(one.terminations, 0);
    EXPECT_EQ(window_count.load(), 1);
    two.close_window();
    EXPECT_EQ(two.terminations, 1);
    EXPECT_EQ(window_count.load(), 0);
    // A count that is already zero does not go negative; it terminates again.
    two.on_window_destroyed(false);
    EXPECT_EQ(window_count.load(), 0);
    EXPECT_EQ(two.terminations, 2);
  }
  {
    test_engine engine;
    engine.on_window_destroyed(true);
    EXPECT_EQ(engine.terminations, 0);
    engine.window_open = false;
  }
  EXPECT_EQ(window_count.load(), 0);
}

TEST(WindowCount, DestroyingAnOpenEngineDrainsQueueAndUncountsOnce) {
  int ran = 0;
  {
    test_engine engine;
    EXPECT_EQ(window_count.load(), 1);
    engine.dispatch([&] { ++ran; });
    engine.dispatch([&] { ++ran; });
  }
  EXPECT_EQ(ran, 2);
  EXPECT_EQ(window_count.load(), 0);
}

TEST(DepleteQueue, DoesNotWaitWhenNothingCanRun) {
  auto *engine = new test_engine;
  engine->fail_dispatch = true;
  delete engine; // would wait forever for a marker that was never queued
  SUCCEED();
}

} // namespace
