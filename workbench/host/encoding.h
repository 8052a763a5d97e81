// Text leaving or entering the workbench.  Inside, texts are the host's
// bytes (Windows-1252, "\r" line ends); terminals, JSON and files written
// for people get UTF-8 with "\n".
//
// A typed line with a character that Windows-1252 has no byte for (Greek,
// CJK) cannot become host bytes; it is kept in UTF-8 as typed.  Host text
// is therefore read by one rule: a well-formed UTF-8 sequence of two to
// four bytes stands for its character, every other byte is Windows-1252.
// Lines are only turned into Windows-1252 when the bytes read back by that
// rule give the line as typed, so what was typed always reads back right.
#pragma once

#include <string>
#include <string_view>

namespace kwt {

// Host bytes to UTF-8 by the rule above.
std::string HostToUtf8(std::string_view text);
// UTF-8 to host bytes: Windows-1252 when every character has a byte there
// and the result reads back as the same text; otherwise the text unchanged.
std::string Utf8ToHost(std::string_view text);

// Windows-1252 bytes to UTF-8, every byte by the code page (bytes it leaves
// undefined map to the C1 control characters of the same number).  For
// texts that are Windows-1252 by their origin, such as the labels stored in
// recordings.
std::string Cp1252ToUtf8(std::string_view text);
// UTF-8 to Windows-1252 when every character has a byte there; otherwise
// the text is returned unchanged (it is taken as bytes already).
std::string Utf8ToCp1252(std::string_view text);
// True when `text` is well-formed UTF-8 throughout (as a file name must be
// to travel in JSON).
bool IsUtf8(std::string_view text);
// "\r\n" and "\r" to "\n", after HostToUtf8.
std::string HistoryToUtf8(std::string_view text);

}  // namespace kwt
