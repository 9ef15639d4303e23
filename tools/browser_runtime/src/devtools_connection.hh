// One WebSocket connection to the browser's DevTools endpoint on 127.0.0.1. Commands are sent
// from the thread that connected; a reader thread takes the browser's messages and hands them
// to that thread's message loop, where replies reach their callbacks and events the event
// handler.

#ifndef ZBR_DEVTOOLS_CONNECTION_HH
#define ZBR_DEVTOOLS_CONNECTION_HH

#include "json.hh"

#include <winsock2.h>

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace zbr {

class DevToolsConnection {
public:
  // `result` is the reply's result, `error` its error (null when the command succeeded).
  using Reply = std::function<void(const Json &result, const Json &error)>;
  using EventHandler = std::function<void(const std::string &session, const std::string &method,
                                          const Json &params)>;

  DevToolsConnection();
  ~DevToolsConnection();
  DevToolsConnection(const DevToolsConnection &) = delete;
  DevToolsConnection &operator=(const DevToolsConnection &) = delete;

  // Connects to ws://127.0.0.1:PORT/PATH and completes the handshake (blocking).
  bool connect(int port, const std::string &path);
  bool connected() const { return socket_ != INVALID_SOCKET && !lost_; }

  // `params` is a JSON object text; `session` empty for the browser itself.
  void send(const std::string &method, const std::string &params = "{}",
            const std::string &session = {}, Reply reply = {});
  // Sends and runs the thread's messages until the reply comes or `timeout_ms` passes; a quit
  // message ends the wait and is posted again for the thread's own loop.
  std::optional<Json> call(const std::string &method, const std::string &params = "{}",
                           const std::string &session = {}, DWORD timeout_ms = 10000);

  void on_event(EventHandler handler) { events_ = std::move(handler); }
  // Called once when the browser closes the connection.
  void on_lost(std::function<void()> handler) { lost_handler_ = std::move(handler); }

  // Sends a text frame without waiting for anything (usable at process exit).
  void send_raw(const std::string &text);

private:
  static LRESULT CALLBACK window_procedure(HWND, UINT, WPARAM, LPARAM);
  static DWORD WINAPI reader_main(void *self);
  void dispatch(Json message);
  bool send_all(const std::string &bytes);

  SOCKET socket_ = INVALID_SOCKET;
  HWND window_ = nullptr;
  HANDLE reader_ = nullptr;
  std::string early_bytes_; // bytes after the handshake's header
  long long next_id_ = 1;
  std::map<long long, Reply> pending_;
  EventHandler events_;
  std::function<void()> lost_handler_;
  bool lost_ = false;
  unsigned mask_seed_;
};

} // namespace zbr

#endif // ZBR_DEVTOOLS_CONNECTION_HH
