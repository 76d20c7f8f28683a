// trovel-host: the stand-in host program (HostProgram, HostOptions).
#include <iostream>

#include "host/HostOptions.h"
#include "host/HostProgram.h"

int main(int argc, char** argv) {
    HostOptions options;
    std::string error;
    if (!HostOptions::Parse(argc, argv, options, error)) {
        std::cerr << "trovel-host: " << error << "\n" << HostOptions::Usage();
        return HostProgram::kUsage;
    }
    if (options.help) {
        std::cout << HostOptions::Usage();
        return HostProgram::kSucceeded;
    }
    return HostProgram(options, std::cout, std::cerr).Run();
}
