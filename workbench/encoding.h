// Text leaving or entering the workbench.  Inside, texts are the host's
// bytes (Windows-1252, "\r" line ends); terminals, JSON and files written
// for people get UTF-8 with "\n".
#pragma once

#include <string>
#include <string_view>

namespace kwt {

// Windows-1252 bytes to UTF-8 (bytes the code page leaves undefined map to
// the C1 control characters of the same number).
std::string Cp1252ToUtf8(std::string_view text);
// UTF-8 to Windows-1252 when every character has a byte there; otherwise
// the text is returned unchanged (it is taken as bytes already).
std::string Utf8ToCp1252(std::string_view text);
// "\r\n" and "\r" to "\n", after Cp1252ToUtf8.
std::string HistoryToUtf8(std::string_view text);

}  // namespace kwt
