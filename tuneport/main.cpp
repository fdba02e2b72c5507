// Entry point of tuneport: conversion between EsAC, MIDI, melody tables and
// note lists.
#include <iostream>
#include <string>
#include <vector>

#include "text/program.h"
#include "tuneport/app.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  return suite::tuneport::run(args, {std::cout, std::cerr, std::cin},
                              suite::text::RunEnvironment::system());
}
