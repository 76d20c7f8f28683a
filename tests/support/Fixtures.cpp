#include "support/Fixtures.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

std::string ReadFixture(char const* name) {
    char const* folder = std::getenv("TROVEL_TEST_DATA");
    if (folder == nullptr || *folder == '\0')
        throw std::runtime_error(std::string("fixture ") + name + ": TROVEL_TEST_DATA is not set (run through ctest)");
    const std::string path = std::string(folder) + "/" + name;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("fixture missing: " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
