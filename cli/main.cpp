// korvalest-host: loads a Korvalest bundle as a host would and reports on it.

#include <exception>
#include <iostream>
#include <string>

#include "info_command.h"

namespace {

int usage()
{
    std::cerr << "usage: korvalest-host info <bundle.vst3>\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    try {
        if (command == "info" && argc == 3) {
            korvalest::plugins::cli::printModuleInfo(argv[2], std::cout);
            return 0;
        }
    } catch (const std::exception& e) {
        std::cerr << "korvalest-host: " << e.what() << '\n';
        return 1;
    }
    return usage();
}
