#pragma once
// The test data of a test executable, from the folder CTest names in TROVEL_TEST_DATA.
#include <string>

// The bytes of the named fixture. Throws std::runtime_error naming the fixture when it cannot be
// read, so the test fails with that name rather than on empty data.
std::string ReadFixture(char const* name);
