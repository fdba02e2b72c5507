// Entry point of tunecmp: melodic similarity of melody table files.
#include <iostream>
#include <string>
#include <vector>

#include "tunecmp/app.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  return suite::tunecmp::run(args, std::cout, std::cerr);
}
