#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  return kemlog::cli::RunCli(kemlog::cli::Args(argv + 1, argv + argc), std::cout, std::cerr);
}
