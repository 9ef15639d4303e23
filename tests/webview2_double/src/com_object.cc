#include "com_object.hh"

#include "module.hh"

namespace wv2d {
namespace {

std::atomic<long> live_count{0};

} // namespace

long live_objects() {
  return live_count.load();
}

namespace detail {

void object_created() {
  pin_this_module();
  ++live_count;
}

void object_destroyed() {
  --live_count;
}

} // namespace detail
} // namespace wv2d
