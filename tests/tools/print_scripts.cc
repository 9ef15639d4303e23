// Prints the scripts the engine generates, so browser tests can run the exact text:
//   print_scripts bridge                      the bridge script with the browser's post function
//   print_scripts bind NAME...                the bind script after binding NAMEs in that order
//   print_scripts reply ID STATUS RESULT      the reply script for one call
//   print_scripts unbind NAME                 the script that removes NAME from a loaded page
#include "../support/test_engine.hh"

#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char **argv) {
  using test_support::test_engine;
  const std::string command = argc > 1 ? argv[1] : "";
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
  std::cerr
      << "usage: print_scripts bridge | bind NAME... | unbind NAME | reply ID STATUS RESULT\n";
  return 2;
}
