// The handlers registered for one event with add_* and removed with remove_*. A registered
// handler is held (AddRef) until it is removed or the list is cleared, which the web view and
// the controller do when they are closed or destroyed, as the real runtime does.

#ifndef WV2D_EVENT_LIST_HH
#define WV2D_EVENT_LIST_HH

#include "com_ptr.hh"

#include "webview/detail/backends/webview2_interfaces.hh"

#include <algorithm>
#include <utility>
#include <vector>

namespace wv2d {

// A token value unique within the process.
INT64 next_event_token();

template <typename Handler> class EventList {
public:
  HRESULT add(Handler *handler, EventRegistrationToken *token) {
    if (!token) {
      return E_POINTER;
    }
    if (!handler) {
      return E_INVALIDARG;
    }
    token->value = next_event_token();
    entries_.emplace_back(token->value, ComPtr<Handler>(handler));
    return S_OK;
  }

  void remove(EventRegistrationToken token) {
    std::vector<Entry> removed;
    const auto first = std::stable_partition(
        entries_.begin(), entries_.end(), [&](const Entry &e) { return e.first != token.value; });
    std::move(first, entries_.end(), std::back_inserter(removed));
    entries_.erase(first, entries_.end());
    // `removed` releases the handler after the list is consistent again.
  }

  // The handlers in registration order, each held for the duration of a raise, so that a
  // handler may remove itself or others while the event is delivered.
  std::vector<ComPtr<Handler>> snapshot() const {
    std::vector<ComPtr<Handler>> handlers;
    for (const Entry &entry : entries_) {
      handlers.push_back(entry.second);
    }
    return handlers;
  }

  void clear() {
    std::vector<Entry> removed;
    removed.swap(entries_);
  }

  size_t size() const { return entries_.size(); }

private:
  using Entry = std::pair<INT64, ComPtr<Handler>>;
  std::vector<Entry> entries_;
};

} // namespace wv2d

#endif // WV2D_EVENT_LIST_HH
