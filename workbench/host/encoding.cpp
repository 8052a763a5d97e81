#include "workbench/host/encoding.h"

#include <cstdint>

namespace kwt {
namespace {

// Code points of bytes 0x80..0x9F in Windows-1252.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The length of the well-formed UTF-8 sequence of two to four bytes that
// starts at text[i], or 0.  Overlong forms, surrogates and code points
// beyond U+10FFFF are not well-formed, which keeps most runs of
// Windows-1252 letters from passing for UTF-8.
size_t Utf8SequenceAt(std::string_view text, size_t i) {
  const auto at = [&](size_t k) {
    return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u;
  };
  const unsigned lead = at(0);
  // The second byte's range depends on the lead; later ones are 80..BF.
  unsigned low = 0x80, high = 0xBF;
  size_t len;
  if (lead >= 0xC2 && lead <= 0xDF) len = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) len = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) len = 4;
  else return 0;
  if (lead == 0xE0) low = 0xA0;
  else if (lead == 0xED) high = 0x9F;
  else if (lead == 0xF0) low = 0x90;
  else if (lead == 0xF4) high = 0x8F;
  if (at(1) < low || at(1) > high) return 0;
  for (size_t k = 2; k < len; ++k)
    if (at(k) < 0x80 || at(k) > 0xBF) return 0;
  return len;
}

void AppendCp1252(std::string& out, unsigned char u) {
  if (u < 0x80) out += static_cast<char>(u);
  else if (u < 0xA0) AppendUtf8(out, kHigh[u - 0x80]);
  else AppendUtf8(out, u);
}

}  // namespace

std::string HostToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t len = Utf8SequenceAt(text, i);
    if (len > 0) {
      out.append(text.substr(i, len));
      i += len;
    } else {
      AppendCp1252(out, static_cast<unsigned char>(text[i++]));
    }
  }
  return out;
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t len = Utf8SequenceAt(text, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

std::string Utf8ToHost(std::string_view text) {
  std::string bytes = Utf8ToCp1252(text);
  if (bytes == text) return bytes;
  // "Ã©" typed becomes C3 A9, which reads back as "é": such a line stays
  // in UTF-8, where it reads back as typed.
  if (HostToUtf8(bytes) != text) return std::string(text);
  return bytes;
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendCp1252(out, static_cast<unsigned char>(c));
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto u = static_cast<unsigned char>(text[i]);
    if (u < 0x80) {
      out += text[i++];
      continue;
    }
    // Decode one sequence; anything malformed means the text is not UTF-8.
    char32_t cp;
    size_t len;
    if ((u & 0xE0) == 0xC0) { cp = u & 0x1F; len = 2; }
    else if ((u & 0xF0) == 0xE0) { cp = u & 0x0F; len = 3; }
    else if ((u & 0xF8) == 0xF0) { cp = u & 0x07; len = 4; }
    else return std::string(text);
    if (i + len > text.size()) return std::string(text);
    for (size_t k = 1; k < len; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) return std::string(text);
      cp = (cp << 6) | (b & 0x3F);
    }
    i += len;
    if (cp >= 0xA0 && cp <= 0xFF) {
      out += static_cast<char>(cp);
      continue;
    }
    bool found = false;
    for (int k = 0; k < 32; ++k) {
      if (kHigh[k] == cp) {
        out += static_cast<char>(0x80 + k);
        found = true;
        break;
      }
    }
    if (!found) return std::string(text);
  }
  return out;
}

std::string HistoryToUtf8(std::string_view text) {
  const std::string utf8 = HostToUtf8(text);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r') {
      out += '\n';
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

}  // namespace kwt
