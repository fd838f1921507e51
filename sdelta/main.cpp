#include "output_file.h"
#include "program.h"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    setdelta::handleStopSignals();
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    try {
        return setdelta::runSetdelta(arguments, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "setdelta: error: out of memory\n";
        return setdelta::ExitInput;
    }
}
