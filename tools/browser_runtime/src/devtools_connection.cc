#include "devtools_connection.hh"

#include "websocket_frames.hh"

#include <ws2tcpip.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace zbr {
namespace {

const UINT kMessage = WM_APP + 1; // lParam: a heap Json of one message
const UINT kLost = WM_APP + 2;    // the browser closed the connection

// The browser drops a client frame of more than 100 MiB: long messages go in pieces.
constexpr std::size_t kFramePayload = 8u << 20;

const wchar_t kClassName[] = L"ZorvelBrowserRuntimeDevTools";

void register_class() {
  static const bool registered = [] {
    WNDCLASSEXW c = {};
    c.cbSize = sizeof c;
    c.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
      return DefWindowProcW(w, m, wp, lp);
    };
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = kClassName;
    return RegisterClassExW(&c) != 0;
  }();
  (void)registered;
}

bool lower_contains(std::string text, std::string_view what) {
  for (char &c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text.find(what) != std::string::npos;
}

} // namespace

DevToolsConnection::DevToolsConnection()
    : mask_seed_(GetTickCount() ^ (GetCurrentProcessId() << 16)) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}

DevToolsConnection::~DevToolsConnection() {
  if (socket_ != INVALID_SOCKET) {
    shutdown(socket_, SD_BOTH);
    closesocket(socket_);
  }
  if (reader_) {
    WaitForSingleObject(reader_, 2000);
    CloseHandle(reader_);
  }
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

bool DevToolsConnection::connect(int port, const std::string &path) {
  register_class();
  window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&window_procedure));

  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) {
    return false;
  }
  BOOL no_delay = TRUE; // a small command must not wait for the previous one's ack
  setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&no_delay),
             sizeof no_delay);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(socket_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
    return false;
  }
  // The browser answers 500 unless Host is an address, and 403 to an Origin header.
  const std::string key = "em9ydmVsLWJyb3dzZXI9PQ==";
  const std::string request = "GET " + path +
                              " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                              "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                              "Sec-WebSocket-Key: " +
                              key + "\r\nSec-WebSocket-Version: 13\r\n\r\n";
  if (!send_all(request)) {
    return false;
  }
  std::string header;
  char buffer[4096];
  std::size_t end;
  while ((end = header.find("\r\n\r\n")) == std::string::npos) {
    const int got = recv(socket_, buffer, sizeof buffer, 0);
    if (got <= 0 || header.size() > 65536) {
      return false;
    }
    header.append(buffer, static_cast<std::size_t>(got));
  }
  early_bytes_ = header.substr(end + 4);
  header.resize(end);
  if (header.compare(0, 12, "HTTP/1.1 101") != 0 || !lower_contains(header, "upgrade: websocket") ||
      header.find(accept_key(key)) == std::string::npos) {
    return false;
  }
  reader_ = CreateThread(nullptr, 0, &reader_main, this, 0, nullptr);
  return reader_ != nullptr;
}

bool DevToolsConnection::send_all(const std::string &bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const int n = ::send(socket_, bytes.data() + sent,
                         static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1u << 30)), 0);
    if (n <= 0) {
      return false;
    }
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

void DevToolsConnection::send_raw(const std::string &text) {
  if (socket_ == INVALID_SOCKET) {
    return;
  }
  std::size_t offset = 0;
  do {
    const std::size_t n = std::min(kFramePayload, text.size() - offset);
    const bool final = offset + n == text.size();
    mask_seed_ = mask_seed_ * 1664525u + 1013904223u;
    if (!send_all(encode_frame(offset == 0 ? op_text : op_continuation,
                               std::string_view(text).substr(offset, n), final, mask_seed_))) {
      return;
    }
    offset += n;
  } while (offset < text.size());
}

void DevToolsConnection::send(const std::string &method, const std::string &params,
                              const std::string &session, Reply reply) {
  const long long id = next_id_++;
  std::string text =
      "{\"id\":" + std::to_string(id) + ",\"method\":" + quote(method) + ",\"params\":" + params;
  if (!session.empty()) {
    text += ",\"sessionId\":" + quote(session);
  }
  text += "}";
  if (reply) {
    pending_.emplace(id, std::move(reply));
  }
  send_raw(text);
}

std::optional<Json> DevToolsConnection::call(const std::string &method, const std::string &params,
                                             const std::string &session, DWORD timeout_ms) {
  bool done = false;
  std::optional<Json> answer;
  send(method, params, session, [&](const Json &result, const Json &error) {
    done = true;
    if (error.is_null()) {
      answer = result;
    }
  });
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  std::optional<WPARAM> quit;
  while (!done && !lost_ && !quit && GetTickCount64() < deadline) {
    MSG m;
    if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        quit = m.wParam; // the program is ending: stop waiting
        break;
      }
      TranslateMessage(&m);
      DispatchMessageW(&m);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }
  if (quit) {
    PostQuitMessage(static_cast<int>(*quit)); // the program's own loop must still see it
  }
  if (!done) {
    // A reply that comes later has no one waiting for it.
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
      if (it->first == next_id_ - 1) {
        pending_.erase(it);
        break;
      }
    }
  }
  return answer;
}

DWORD WINAPI DevToolsConnection::reader_main(void *p) {
  auto *self = static_cast<DevToolsConnection *>(p);
  FrameReader reader;
  reader.feed(self->early_bytes_);
  std::string buffer(1 << 18, '\0');
  for (;;) {
    while (auto message = reader.next()) {
      if (message->opcode == op_close) {
        PostMessageW(self->window_, kLost, 0, 0);
        return 0;
      }
      if (message->opcode == op_text) {
        if (auto json = Json::parse(message->payload)) {
          PostMessageW(self->window_, kMessage, 0,
                       reinterpret_cast<LPARAM>(new Json(std::move(*json))));
        }
      }
    }
    const int got = recv(self->socket_, &buffer[0], static_cast<int>(buffer.size()), 0);
    if (got <= 0 || reader.failed()) {
      PostMessageW(self->window_, kLost, 0, 0);
      return 0;
    }
    reader.feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
  }
}

LRESULT CALLBACK DevToolsConnection::window_procedure(HWND window, UINT message, WPARAM wparam,
                                                      LPARAM lparam) {
  auto *self = reinterpret_cast<DevToolsConnection *>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == kMessage) {
    std::unique_ptr<Json> json(reinterpret_cast<Json *>(lparam));
    if (self) {
      self->dispatch(std::move(*json));
    }
    return 0;
  }
  if (message == kLost) {
    if (self && !self->lost_) {
      self->lost_ = true;
      self->pending_.clear();
      if (self->lost_handler_) {
        self->lost_handler_();
      }
    }
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void DevToolsConnection::dispatch(Json message) {
  if (message.has("id")) {
    const auto found = pending_.find(message["id"].integer());
    if (found != pending_.end()) {
      Reply reply = std::move(found->second);
      pending_.erase(found);
      reply(message["result"], message["error"]);
    }
    return;
  }
  if (events_) {
    // Copied: a handler may replace the handler.
    const EventHandler handler = events_;
    handler(message["sessionId"].str(), message["method"].str(), message["params"]);
  }
}

} // namespace zbr
