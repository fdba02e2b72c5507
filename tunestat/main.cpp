// Entry point of tunestat: melodic features of melody table files.
#include <iostream>
#include <string>
#include <vector>

#include "tunestat/app.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  return suite::tunestat::run(args, std::cout, std::cerr);
}
