#include "workbench/export/session_zip.h"

#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "workbench/export/session_dump.h"

namespace kwt {
namespace {

namespace fs = std::filesystem;

// Removes the temporary folder however the archive ends.
struct TempFolder {
  fs::path path;
  ~TempFolder() {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
  }
};

// Adds every file below `root` under its relative path; false with a
// message when one cannot be added.
bool AddTree(zip_t* archive, const fs::path& root, std::string* error) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    const std::string name = fs::relative(it->path(), root).generic_string();
    zip_source_t* source = zip_source_file(archive, it->path().c_str(), 0, -1);
    if (source == nullptr || zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
      if (source != nullptr) zip_source_free(source);
      *error = "cannot add " + name + " to the archive: " + zip_strerror(archive);
      return false;
    }
  }
  if (ec) *error = "cannot list the dump: " + ec.message();
  return !ec;
}

}  // namespace

bool SessionDumpZip(Workbench& workbench, std::string* zip, std::string* error) {
  zip->clear();
  std::string pattern = (fs::temp_directory_path() / "kwt-zip-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "cannot make a temporary folder";
    return false;
  }
  const TempFolder temp{pattern};
  const fs::path dump = temp.path / "session";
  if (!WriteSessionDump(workbench, dump.string(), error)) return false;

  const std::string archivePath = (temp.path / "session.zip").string();
  int code = 0;
  zip_t* archive = zip_open(archivePath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (archive == nullptr) {
    *error = "cannot make the archive";
    return false;
  }
  if (!AddTree(archive, dump, error)) {
    zip_discard(archive);
    return false;
  }
  if (zip_close(archive) < 0) {
    *error = std::string("cannot write the archive: ") + zip_strerror(archive);
    zip_discard(archive);
    return false;
  }
  std::ifstream in(archivePath, std::ios::binary);
  zip->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (zip->empty()) *error = "the archive is empty";
  return !zip->empty();
}

}  // namespace kwt
