// The host services for global variables and data folders.
#include "workbench/host/services.h"

#include "workbench/host/session.h"

namespace kwt {

FolderHandle Services::RootFolder() { return &session_.root(); }

FolderHandle Services::CurrentFolder() { return &session_.current(); }

int32_t Services::SetNumericVariable(std::string_view name, double value, bool) {
  if (!IsValidName(name)) return name.size() > 31 ? kHostErrNameTooLong : kHostErrBadName;
  if (Variable* v = session_.current().FindVariable(name)) {
    if (v->isString) return kHostErrWrongType;
    v->number = value;
    return 0;
  }
  if (session_.current().NameInUse(name)) return kHostErrNameInUse;
  session_.current().variables.push_back({std::string(name), false, value, {}});
  return 0;
}

int32_t Services::SetStringVariable(std::string_view name, std::string_view value, bool) {
  if (!IsValidName(name)) return name.size() > 31 ? kHostErrNameTooLong : kHostErrBadName;
  if (Variable* v = session_.current().FindVariable(name)) {
    if (!v->isString) return kHostErrWrongType;
    v->text = std::string(value);
    return 0;
  }
  if (session_.current().NameInUse(name)) return kHostErrNameInUse;
  session_.current().variables.push_back({std::string(name), true, 0.0, std::string(value)});
  return 0;
}

int32_t Services::CreateVariable(std::string_view name, int32_t kind, int32_t) {
  if (Variable* v = session_.current().FindVariable(name))
    return v->isString == (kind == kObjectString) ? 0 : kHostErrWrongType;
  return kind == kObjectString ? SetStringVariable(name, "", true)
                               : SetNumericVariable(name, 0.0, true);
}

int32_t Services::FetchStringVariable(std::string_view name, std::string* value) {
  Variable* v = nullptr;
  if (name.find(':') != std::string_view::npos) {
    CommandCursor c{std::string(name)};
    ParsedPath path;
    if (c.ReadPath(&path)) v = session_.ResolveVariable(path);
  } else {
    v = session_.current().FindVariable(name);
  }
  if (v == nullptr || !v->isString) return kHostErrExpectedStringVar;
  *value = v->text;
  return 0;
}

int32_t Services::GetFolderObject(FolderHandle folder, std::string_view name,
                                  FolderObject* object) {
  if (folder == nullptr) folder = &session_.current();
  *object = FolderObject{};
  if (HostWave* w = folder->FindWave(name)) {
    object->kind = kObjectWave;
    object->wave = w;
  } else if (HostFolder* f = folder->FindFolder(name)) {
    object->kind = kObjectFolder;
    object->folder = f;
  } else if (Variable* v = folder->FindVariable(name)) {
    object->kind = v->isString ? kObjectString : kObjectNumeric;
    object->number = v->number;
    object->text = v->text;
  }
  return 0;
}

int32_t Services::GetNamedFolder(FolderHandle start, std::string_view path,
                                 FolderHandle* folder) {
  *folder = nullptr;
  // A path is taken as it stands: one with a leading or trailing blank
  // names no folder (" root:" is not "root:").
  if (path.empty() || path.front() == ' ' || path.front() == '\t' || path.back() == ' ' ||
      path.back() == '\t')
    return kHostErrNoSuchFolder;
  std::string text(path);
  CommandCursor c{text};
  ParsedPath parsed;
  if (!c.ReadPath(&parsed) || !c.AtEnd()) return kHostErrNoSuchFolder;
  HostFolder* f = session_.ResolveFolder(parsed, true, start);
  if (f == nullptr) return kHostErrNoSuchFolder;
  *folder = f;
  return 0;
}

int32_t Services::GetWaveFolder(WaveHandle wave, FolderHandle* folder) {
  if (wave == nullptr) return kHostErrExpectedWave;
  *folder = wave->folder;
  return 0;
}

int32_t Services::GetFolderPath(FolderHandle folder, int32_t mode, std::string* path) {
  if (folder == nullptr) return kHostErrNoSuchFolder;
  switch (mode) {
    case 0: *path = folder->name; break;
    case 1: *path = folder->Path(false); break;
    case 3: *path = folder->Path(true); break;
    default: return kHostErrBadValue;
  }
  return 0;
}

int32_t Services::GetFolderContents(FolderHandle folder, std::vector<FolderHandle>* subfolders,
                                    std::vector<WaveHandle>* waves) {
  if (folder == nullptr) return kHostErrNoSuchFolder;
  if (subfolders) {
    subfolders->clear();
    for (const auto& f : folder->folders) subfolders->push_back(f.get());
  }
  if (waves) {
    waves->clear();
    for (const auto& w : folder->waves) waves->push_back(w.get());
  }
  return 0;
}

}  // namespace kwt
