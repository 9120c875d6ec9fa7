#include <unistd.h>

#include <iostream>

#include "commands.h"

int main(int argc, char** argv) {
  return vendora::RunCli(argc, argv, std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0);
}
