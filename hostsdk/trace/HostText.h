#pragma once
// How the host writes values into its log and its report.
#include <cstdint>
#include <string>

class PMString;

// "0x" and the upper-case hexadecimal digits of `id`.
std::string HostHex(std::uint32_t id);
// The text in double quotes, as UTF-8.
std::string HostQuote(const PMString& text);
