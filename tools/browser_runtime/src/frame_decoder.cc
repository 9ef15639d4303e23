#include "frame_decoder.hh"

#include <windows.h>

#include <shlwapi.h>
#include <wincodec.h>

namespace zbr {
namespace {

template <typename T> struct Released {
  T *p = nullptr;
  ~Released() {
    if (p) {
      p->Release();
    }
  }
  T **out() { return &p; }
  T *operator->() const { return p; }
};

IWICImagingFactory *factory() {
  static IWICImagingFactory *instance = [] {
    IWICImagingFactory *f = nullptr;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void **>(&f));
    return f; // kept for the rest of the process
  }();
  return instance;
}

} // namespace

bool decode_frame(const std::string &jpeg, Frame &frame) {
  IWICImagingFactory *wic = factory();
  if (!wic) {
    return false;
  }
  Released<IStream> stream;
  stream.p = SHCreateMemStream(reinterpret_cast<const BYTE *>(jpeg.data()),
                               static_cast<UINT>(jpeg.size()));
  Released<IWICBitmapDecoder> decoder;
  Released<IWICBitmapFrameDecode> source;
  Released<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  if (!stream.p ||
      FAILED(wic->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                          decoder.out())) ||
      FAILED(decoder->GetFrame(0, source.out())) ||
      FAILED(wic->CreateFormatConverter(converter.out())) ||
      FAILED(converter->Initialize(source.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0, WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0) {
    return false;
  }
  frame.width = static_cast<int>(width);
  frame.height = static_cast<int>(height);
  frame.pixels.resize(static_cast<std::size_t>(width) * height);
  return SUCCEEDED(converter->CopyPixels(nullptr, width * 4,
                                         static_cast<UINT>(frame.pixels.size() * 4),
                                         reinterpret_cast<BYTE *>(frame.pixels.data())));
}

std::string decode_base64(const std::string &text) {
  static signed char table[256];
  static const bool filled = [] {
    for (auto &v : table) {
      v = -1;
    }
    const char *chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) {
      table[static_cast<unsigned char>(chars[i])] = static_cast<signed char>(i);
    }
    return true;
  }();
  (void)filled;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  unsigned value = 0;
  int bits = 0;
  for (unsigned char c : text) {
    const int v = table[c];
    if (v < 0) {
      continue;
    }
    value = (value << 6) | static_cast<unsigned>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((value >> bits) & 0xFF);
    }
  }
  return out;
}

} // namespace zbr
