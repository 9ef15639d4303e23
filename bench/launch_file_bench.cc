// Hand-over of the largest launch file (62,914,559 bytes): from reading the argument to the
// UTF-16 reply script that would be given to the browser. Prints the time of each step and the
// process's peak memory. Run under Wine: scripts/wine-run.sh build/windows
// build/windows/launch_file_bench.exe
#include "../app/launch_args.hh"
#include "../app/native_bindings.hh"
#include "../tests/support/test_engine.hh"

#include <webview/detail/utf.hh>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

// Heap bytes in use and their peak, counted here because Wine's process counters do not keep a
// peak. Each block carries its size in front of it.
namespace {
std::atomic<std::size_t> heap_now{0}, heap_peak{0};
}

void *operator new(std::size_t size) {
  auto *block = static_cast<std::size_t *>(std::malloc(size + 16));
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  *block = size;
  const std::size_t now = heap_now += size;
  for (std::size_t peak = heap_peak; now > peak && !heap_peak.compare_exchange_weak(peak, now);) {
  }
  return reinterpret_cast<char *>(block) + 16;
}

// GCC, inlining this into code that calls the counting operator new, takes the free of the
// malloc'd block for a mismatched pair.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void *p) noexcept {
  if (p != nullptr) {
    auto *block = reinterpret_cast<std::size_t *>(static_cast<char *>(p) - 16);
    heap_now -= *block;
    std::free(block);
  }
}

void operator delete(void *p, std::size_t) noexcept {
  operator delete(p);
}

namespace {

// The reply script goes to the browser as UTF-16, as the Windows backend converts it.
class utf16_engine : public test_support::test_engine {
public:
  std::size_t script_units = 0;

protected:
  webview::detail::op_status eval_impl(const std::string &js) override {
    const auto wide = webview::detail::utf8_to_utf16(js);
    script_units = wide.size();
    return {};
  }
};

double mib(SIZE_T bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

void report(const char *step, std::chrono::steady_clock::time_point &since) {
  const auto now = std::chrono::steady_clock::now();
  std::printf("%-34s %8.1f ms   heap peak %7.1f MiB   heap now %7.1f MiB\n", step,
              std::chrono::duration<double, std::milli>(now - since).count(), mib(heap_peak),
              mib(heap_now));
  since = now;
}

} // namespace

int main() {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  const std::wstring path = std::wstring(dir) + L"launch_file_bench.bin";
  {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::string chunk(1 << 20, '\0');
    for (std::size_t i = 0; i < chunk.size(); ++i) {
      chunk[i] = static_cast<char>(i * 131);
    }
    for (std::size_t left = zorvel::launch_file_limit; left > 0;) {
      const DWORD n = static_cast<DWORD>(left < chunk.size() ? left : chunk.size());
      DWORD written = 0;
      WriteFile(h, chunk.data(), n, &written, nullptr);
      left -= n;
    }
    CloseHandle(h);
  }
  std::printf("launch file of %llu bytes\n", zorvel::launch_file_limit);
  auto total = std::chrono::steady_clock::now();
  auto t = total;
  report("start", t);

  zorvel::launch_state launch = zorvel::classify_argument(path.c_str());
  report("read and base64-encode", t);

  utf16_engine engine;
  engine.pump();
  engine.bind("__zoArgFile",
              [&launch](std::string) { return zorvel::launch_file_handler(launch); });
  engine.receive(R"({"id":"0123456789abcdef0123456789abcdef","method":"__zoArgFile","params":[]})");
  engine.pump();
  report("reply script built and converted", t);

  std::printf("reply script: %zu UTF-16 units\n", engine.script_units);
  report("total", total);
  DeleteFileW(path.c_str());
  return engine.script_units > zorvel::launch_file_limit ? 0 : 1;
}
