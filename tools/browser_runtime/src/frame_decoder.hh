// Decodes the browser's screencast frames (JPEG) into 32-bit BGRA pixels with WIC.

#ifndef ZBR_FRAME_DECODER_HH
#define ZBR_FRAME_DECODER_HH

#include <cstdint>
#include <string>
#include <vector>

namespace zbr {

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels; // top-down rows, BGRA
};

// `jpeg` is the image's bytes; false when it cannot be decoded.
bool decode_frame(const std::string &jpeg, Frame &frame);

// Bytes of base64 text (whitespace ignored).
std::string decode_base64(const std::string &text);

} // namespace zbr

#endif // ZBR_FRAME_DECODER_HH
