#pragma once
// The two passes over the save files: signing, and checking before the movie reads them. Portable: the
// files are reached through SaveFileStore.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/save_file_text.h"

namespace dm {

struct SaveFileEntry {
  std::wstring path;
  // False for read-only, hidden and system files: rewriting them fails even when the bytes would not change.
  bool replaceable = true;
};

// The files lying directly in the data folder. Failures are dm::Error with the file error texts.
class SaveFileStore {
 public:
  virtual ~SaveFileStore() = default;
  // In the order the file system enumerates them.
  virtual std::vector<SaveFileEntry> ListSaveFiles() = 0;
  virtual std::string ReadSaveFile(const std::wstring& path) = 0;
  // Replaces the whole file, so that it holds either its old or its new bytes at every instant.
  virtual void WriteSaveFile(const std::wstring& path, std::string_view bytes) = 0;
};

// The bytes a file holds after signing: a fresh signature line, then its lines without the old one.
std::string SignedFileBytes(std::string_view bytes, const SaveFileText& text);

// The line text a file holds after the check: without its signature line when that matches, the
// corrupted marker alone when not; nullopt for an unsigned file, which stays as it is.
std::optional<std::u16string> CheckedFileText(std::u16string_view lineText);

// Both passes stop at the first file that cannot be read or written, by rethrowing its error; files
// listed before it are done, later ones untouched. Files whose bytes would not change and that could be
// replaced are not rewritten.
void SignSaveFiles(SaveFileStore& store, const SaveFileText& text);
void VerifySaveFiles(SaveFileStore& store, const SaveFileText& text);

}  // namespace dm
