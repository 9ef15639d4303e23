#include "script.hh"

#include "callback_queue.hh"
#include "events.hh"

#include <functional>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace wv2d {
namespace {

struct Script {
  std::mutex mutex;
  std::vector<Rule> rules;
  std::map<std::string, int, std::less<>> counts;
};

// Never destroyed: the log may still report lines while static objects are torn down.
Script &script() {
  static Script *instance = new Script;
  return *instance;
}

} // namespace

void add_rule(Rule rule) {
  Script &s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.rules.push_back(std::move(rule));
}

void clear_rules() {
  Script &s = script();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.rules.clear();
  s.counts.clear();
}

void notify_logged(std::string_view name) {
  std::vector<Rule> fired;
  {
    Script &s = script();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto count = s.counts.find(name);
    if (count == s.counts.end()) {
      count = s.counts.emplace(std::string(name), 0).first;
    }
    const int occurrence = ++count->second;
    for (const Rule &rule : s.rules) {
      const int last = rule.last != 0 ? rule.last : rule.occurrence;
      if (rule.name == name &&
          (rule.occurrence == 0 || (occurrence >= rule.occurrence && occurrence <= last))) {
        fired.push_back(rule);
      }
    }
  }
  for (Rule &rule : fired) {
    queue_callback([action = std::move(rule.action)] { perform(action); }, rule.delay_ms);
  }
}

void perform(const Action &action) {
  switch (action.kind) {
  case Action::Kind::web_message:
    raise_web_message(action.text.value_or(L""), false);
    break;
  case Action::Kind::web_message_json:
    raise_web_message(action.text.value_or(L""), true);
    break;
  case Action::Kind::web_message_from:
    raise_web_message(action.text.value_or(L""), false, action.source);
    break;
  case Action::Kind::content_loading:
    raise_content_loading();
    break;
  case Action::Kind::navigation_starting:
    raise_navigation_starting(action.text);
    break;
  case Action::Kind::permission:
    raise_permission_requested(action.number, action.text.value_or(L""), nullptr);
    break;
  case Action::Kind::navigation_completed:
    raise_navigation_completed(action.number != 0, action.status, action.text);
    break;
  case Action::Kind::title:
    raise_document_title_changed(action.text.value_or(L""));
    break;
  case Action::Kind::close:
    close_main_window();
    break;
  case Action::Kind::quit:
    quit_message_loop();
    break;
  case Action::Kind::process_failed:
    raise_process_failed(action.number);
    break;
  case Action::Kind::script_dialog:
    raise_script_dialog(action.number, action.text.value_or(L""));
    break;
  case Action::Kind::new_window:
    raise_new_window(action.source.value_or(L""), action.text);
    break;
  case Action::Kind::window_close_requested:
    raise_window_close_requested();
    break;
  }
}

} // namespace wv2d
