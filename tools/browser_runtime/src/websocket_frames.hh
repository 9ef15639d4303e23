// WebSocket framing (RFC 6455) as a client uses it: masked frames out, unmasked frames in.
// Pure functions, so the self-test can check them without a browser.

#ifndef ZBR_WEBSOCKET_FRAMES_HH
#define ZBR_WEBSOCKET_FRAMES_HH

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zbr {

enum Opcode : unsigned char {
  op_continuation = 0x0,
  op_text = 0x1,
  op_binary = 0x2,
  op_close = 0x8,
  op_ping = 0x9,
  op_pong = 0xA
};

// One masked client frame: FIN when `final`, 7-, 16- or 64-bit length, `mask` applied.
std::string encode_frame(unsigned char opcode, std::string_view payload, bool final,
                         std::uint32_t mask);

// Reassembles the server's messages from the bytes received, whatever the chunking.
class FrameReader {
public:
  struct Message {
    unsigned char opcode; // op_text, op_binary, op_close, op_ping or op_pong
    std::string payload;
  };

  void feed(std::string_view bytes) { buffer_.append(bytes.data(), bytes.size()); }
  // The next complete message, if the bytes fed so far hold one. A protocol error (a masked
  // server frame, an unknown opcode) sets failed().
  std::optional<Message> next();
  bool failed() const { return failed_; }

private:
  std::string buffer_;
  std::size_t offset_ = 0; // bytes of buffer_ already consumed
  std::string partial_;    // payload of a fragmented message so far
  unsigned char partial_opcode_ = 0;
  bool failed_ = false;
};

// The Sec-WebSocket-Accept value the server must answer for `key`.
std::string accept_key(std::string_view key);

} // namespace zbr

#endif // ZBR_WEBSOCKET_FRAMES_HH
