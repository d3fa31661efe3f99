#pragma once
// The protocol is a Windows-1252 file; the program's texts are UTF-8.

#include <string>
#include <string_view>

namespace zarudiv {

// Every character Windows-1252 has becomes its byte; any other becomes "?".
std::string Utf8ToWindows1252(std::string_view utf8);

// Counts characters, not bytes, and cuts after maxChars of them.
std::string CutUtf8(const std::string& utf8, std::size_t maxChars);

}  // namespace zarudiv
