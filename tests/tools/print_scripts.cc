// Prints the scripts the engine generates and the texts the application embeds, so browser tests
// can run the exact text:
//   print_scripts bridge                      the bridge script with the browser's post function
//   print_scripts bind NAME...                the bind script after binding NAMEs in that order
//   print_scripts reply ID STATUS RESULT      the reply script for one call
//   print_scripts unbind NAME                 the script that removes NAME from a loaded page
//   print_scripts asset NAME                  an embedded page text as the executable holds it:
//                                             native_bootstrap, native_helper, dock or offline
//   print_scripts offline_page URL            the offline page as the application fills it for URL
#include "../../app/offline_page.hh"
#include "../support/test_engine.hh"

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

// The embedded text called `name`; false for an unknown name.
bool print_asset(const std::string &name) {
  struct asset {
    const char *name;
    const char *text;
    std::size_t size;
  };
  using namespace zorvel::assets;
  for (const asset &a :
       {asset{"native_bootstrap", native_bootstrap_script, native_bootstrap_script_size},
        asset{"native_helper", native_helper_script, native_helper_script_size},
        asset{"dock", dock_script, dock_script_size},
        asset{"offline", offline_page, offline_page_size}}) {
    if (name == a.name) {
      std::cout.write(a.text, static_cast<std::streamsize>(a.size));
      return true;
    }
  }
  return false;
}

} // namespace

int main(int argc, char **argv) {
  using test_support::test_engine;
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "asset" && argc == 3 && print_asset(argv[2])) {
    return 0;
  }
  if (command == "offline_page" && argc == 3) {
    std::cout << zorvel::fill_offline_page(argv[2]);
    return 0;
  }
  test_engine engine;
  engine.pump();
  if (command == "bridge" && argc == 2) {
    std::cout << engine.user_scripts().front().get_code();
    return 0;
  }
  if (command == "bind") {
    for (int i = 2; i < argc; ++i) {
      engine.bind(argv[i], [](std::string) { return std::string(); });
    }
    std::cout << engine.create_bind_script();
    return 0;
  }
  if (command == "unbind" && argc == 3) {
    engine.bind(argv[2], [](std::string) { return std::string(); });
    engine.evaluated.clear();
    engine.unbind(argv[2]);
    std::cout << engine.evaluated.at(0);
    return 0;
  }
  if (command == "reply" && argc == 5) {
    engine.evaluated.clear();
    engine.resolve(argv[2], static_cast<std::int32_t>(std::strtol(argv[3], nullptr, 10)), argv[4]);
    engine.pump();
    std::cout << engine.evaluated.at(0);
    return 0;
  }
  std::cerr << "usage: print_scripts bridge | bind NAME... | unbind NAME | reply ID STATUS RESULT"
               " | asset native_bootstrap|native_helper|dock|offline | offline_page URL\n";
  return 2;
}
