#include "version.hh"

#include <mutex>

namespace wv2d {
namespace {

struct Version {
  std::mutex mutex;
  std::wstring text = kDefaultBrowserVersion;
};

// Never destroyed, like the rest of the double's state.
Version &version() {
  static Version *instance = new Version;
  return *instance;
}

} // namespace

std::wstring browser_version() {
  Version &v = version();
  std::lock_guard<std::mutex> lock(v.mutex);
  return v.text;
}

void set_browser_version(std::wstring text) {
  Version &v = version();
  std::lock_guard<std::mutex> lock(v.mutex);
  v.text = std::move(text);
}

} // namespace wv2d
