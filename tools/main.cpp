// The `kartei` command-line tool: looks into, checks and makes tables of the engine.
#include <iostream>
#include <string>
#include <vector>

#include "tools/Kartei.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = kartei::tools::RunKartei(arguments, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : 3;
}
