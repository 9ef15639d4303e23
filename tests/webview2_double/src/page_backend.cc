#include "page_backend.hh"

#include <atomic>

namespace wv2d {
namespace {
std::atomic<PageBackendFactory> factory{nullptr};
} // namespace

void set_page_backend_factory(PageBackendFactory f) {
  factory = f;
}

PageBackendFactory page_backend_factory() {
  return factory;
}

} // namespace wv2d
