#include <string>
#include <vector>

#include "app/AppMain.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return tv::Run(args);
}
