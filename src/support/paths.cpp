#include "support/paths.h"

namespace kwt {

std::string_view PathFileName(std::string_view path) {
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

bool ReplaceExtension(std::string& name, std::string_view extension, size_t capacity) {
  if (name.empty() || extension.empty()) return false;
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  // A dot in a folder name ("run.1/cell") is no extension of the file.
  const size_t separator = name.find_last_of("/\\");
  if (separator != std::string::npos && dot < separator) return false;
  if (dot + extension.size() >= capacity) return false;
  name.resize(dot + 1);
  name.append(extension);
  return true;
}

std::string NameFromFileName(std::string_view fileName) {
  const size_t first = fileName.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  fileName = fileName.substr(first, fileName.find_last_not_of(' ') - first + 1);
  std::string name(fileName);
  for (char& c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '"' || c == '\'' || c == ':' || c == ';') c = '_';
  }
  return name;
}

}  // namespace kwt
