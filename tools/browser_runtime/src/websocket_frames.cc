#include "websocket_frames.hh"

#include <cstring>

namespace zbr {

std::string encode_frame(unsigned char opcode, std::string_view payload, bool final,
                         std::uint32_t mask) {
  std::string frame;
  frame.reserve(payload.size() + 14);
  frame += static_cast<char>((final ? 0x80 : 0) | (opcode & 0x0F));
  const std::uint64_t n = payload.size();
  if (n < 126) {
    frame += static_cast<char>(0x80 | n);
  } else if (n < 65536) {
    frame += static_cast<char>(0x80 | 126);
    frame += static_cast<char>(n >> 8);
    frame += static_cast<char>(n & 0xFF);
  } else {
    frame += static_cast<char>(0x80 | 127);
    for (int shift = 56; shift >= 0; shift -= 8) {
      frame += static_cast<char>((n >> shift) & 0xFF);
    }
  }
  const unsigned char key[4] = {
      static_cast<unsigned char>(mask >> 24), static_cast<unsigned char>(mask >> 16),
      static_cast<unsigned char>(mask >> 8), static_cast<unsigned char>(mask)};
  frame.append(reinterpret_cast<const char *>(key), 4);
  const std::size_t start = frame.size();
  frame.append(payload.data(), payload.size());
  for (std::size_t i = 0; i < payload.size(); ++i) {
    frame[start + i] = static_cast<char>(frame[start + i] ^ key[i & 3]);
  }
  return frame;
}

std::optional<FrameReader::Message> FrameReader::next() {
  while (!failed_) {
    const std::size_t available = buffer_.size() - offset_;
    const auto *p = reinterpret_cast<const unsigned char *>(buffer_.data() + offset_);
    if (available < 2) {
      break;
    }
    const bool final = (p[0] & 0x80) != 0;
    const unsigned char opcode = p[0] & 0x0F;
    if ((p[1] & 0x80) != 0 || (opcode > op_binary && opcode < op_close) || opcode > op_pong) {
      failed_ = true; // servers never mask; unknown opcodes are an error
      break;
    }
    std::uint64_t length = p[1] & 0x7F;
    std::size_t header = 2;
    if (length == 126) {
      if (available < 4) {
        break;
      }
      length = (std::uint64_t{p[2]} << 8) | p[3];
      header = 4;
    } else if (length == 127) {
      if (available < 10) {
        break;
      }
      length = 0;
      for (int k = 0; k < 8; ++k) {
        length = (length << 8) | p[2 + k];
      }
      header = 10;
    }
    if (available - header < length) {
      break;
    }
    std::string_view payload(buffer_.data() + offset_ + header, static_cast<std::size_t>(length));
    offset_ += header + static_cast<std::size_t>(length);
    std::optional<Message> done;
    if (opcode >= op_close) {
      done = Message{opcode, std::string(payload)}; // control frames are never fragmented
    } else {
      if (opcode != op_continuation) {
        partial_opcode_ = opcode;
        partial_.clear();
      }
      partial_.append(payload.data(), payload.size());
      if (final) {
        done = Message{partial_opcode_, std::move(partial_)};
        partial_.clear();
      }
    }
    if (offset_ == buffer_.size()) {
      buffer_.clear();
      offset_ = 0;
    } else if (offset_ > (1u << 20) && offset_ * 2 > buffer_.size()) {
      buffer_.erase(0, offset_);
      offset_ = 0;
    }
    if (done) {
      return done;
    }
  }
  return std::nullopt;
}

namespace {

// SHA-1 of `data` (only for the handshake's accept key).
std::string sha1(std::string_view data) {
  std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::string m(data);
  const std::uint64_t bits = std::uint64_t{data.size()} * 8;
  m += static_cast<char>(0x80);
  while (m.size() % 64 != 56) {
    m += '\0';
  }
  for (int shift = 56; shift >= 0; shift -= 8) {
    m += static_cast<char>((bits >> shift) & 0xFF);
  }
  auto rol = [](std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); };
  for (std::size_t chunk = 0; chunk < m.size(); chunk += 64) {
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
      const auto *b = reinterpret_cast<const unsigned char *>(m.data() + chunk + 4 * i);
      w[i] = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
             (std::uint32_t{b[2]} << 8) | b[3];
    }
    for (int i = 16; i < 80; ++i) {
      w[i] = rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      std::uint32_t f, k;
      if (i < 20) {
        f = (b & c) | (~b & d);
        k = 0x5A827999;
      } else if (i < 40) {
        f = b ^ c ^ d;
        k = 0x6ED9EBA1;
      } else if (i < 60) {
        f = (b & c) | (b & d) | (c & d);
        k = 0x8F1BBCDC;
      } else {
        f = b ^ c ^ d;
        k = 0xCA62C1D6;
      }
      const std::uint32_t t = rol(a, 5) + f + e + k + w[i];
      e = d;
      d = c;
      c = rol(b, 30);
      b = a;
      a = t;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
  }
  std::string digest;
  for (std::uint32_t v : h) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      digest += static_cast<char>((v >> shift) & 0xFF);
    }
  }
  return digest;
}

std::string base64(std::string_view bytes) {
  static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const std::uint32_t v = (std::uint32_t{static_cast<unsigned char>(bytes[i])} << 16) |
                            (std::uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8) |
                            static_cast<unsigned char>(bytes[i + 2]);
    out += table[v >> 18];
    out += table[(v >> 12) & 63];
    out += table[(v >> 6) & 63];
    out += table[v & 63];
  }
  if (i < bytes.size()) {
    std::uint32_t v = std::uint32_t{static_cast<unsigned char>(bytes[i])} << 16;
    if (i + 1 < bytes.size()) {
      v |= std::uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8;
    }
    out += table[v >> 18];
    out += table[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? table[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

} // namespace

std::string accept_key(std::string_view key) {
  return base64(sha1(std::string(key) + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11"));
}

} // namespace zbr
