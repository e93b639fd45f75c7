#pragma once
// The data folder's files on disk: listing, reading, and writes that never leave a file half-written.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "data/signing_passes.h"

namespace dm {

// The file errors, with the system's text for the error code.
[[noreturn]] void ThrowCannotCreate(const std::wstring& path, DWORD error);
[[noreturn]] void ThrowCannotOpen(const std::wstring& path, DWORD error);

class SaveFolder : public SaveFileStore {
 public:
  // folder ends with "\".
  explicit SaveFolder(std::wstring folder);
  SaveFolder(const SaveFolder&) = delete;
  SaveFolder& operator=(const SaveFolder&) = delete;
  ~SaveFolder() override;

  const std::wstring& Path() const { return folder_; }

  // Every entry directly in the folder that is no directory; sub-folders are not entered.
  std::vector<SaveFileEntry> ListSaveFiles() override;
  // The whole file, opened with writing denied to others. Throws "Cannot open file".
  std::string ReadSaveFile(const std::wstring& path) override;
  // Writes the bytes to a flushed file in the pending folder, then renames it over path. Fails with
  // "Cannot create file" where creating path anew would: read-only, hidden or system files, folders,
  // missing folders, files others hold open.
  void WriteSaveFile(const std::wstring& path, std::string_view bytes) override;

  // Deletes what an interrupted write left in the pending folder, and the folder.
  void RemovePendingFiles();

 private:
  std::wstring NewPendingFile(std::wstring_view target, HANDLE& handle);

  std::wstring folder_;
  std::wstring pending_;
  unsigned counter_ = 0;
};

}  // namespace dm
