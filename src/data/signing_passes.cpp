#include "data/signing_passes.h"

#include "data/signature.h"

namespace dm {
namespace {

void Store(SaveFileStore& store, const SaveFileEntry& file, std::string_view oldBytes, std::string_view newBytes) {
  if (file.replaceable && oldBytes == newBytes) return;
  store.WriteSaveFile(file.path, newBytes);
}

}  // namespace

std::string SignedFileBytes(std::string_view bytes, const SaveFileText& text) {
  Lines lines = text.Read(bytes);
  if (!lines.empty() && !IsUnsignedFirstLine(lines.front())) lines.erase(lines.begin());
  std::string body = text.Write(lines);
  // Sign what will be stored: characters the ANSI code page lacks (from a file with a byte-order mark)
  // are stored as its default character, and the check will read those.
  const Lines stored = SplitLines(text.Ansi().Decode(body));
  return text.Write({FileSignature(stored)}) + body;
}

std::optional<Lines> CheckedFileLines(Lines lines) {
  if (!lines.empty() && IsUnsignedFirstLine(lines.front())) return std::nullopt;
  if (!lines.empty()) {
    const std::u16string stored = std::move(lines.front());
    lines.erase(lines.begin());
    if (stored == FileSignature(lines)) return lines;
  }
  return Lines{std::u16string(kCorruptedMarker)};
}

void SignSaveFiles(SaveFileStore& store, const SaveFileText& text) {
  for (const SaveFileEntry& file : store.ListSaveFiles()) {
    const std::string bytes = store.ReadSaveFile(file.path);
    Store(store, file, bytes, SignedFileBytes(bytes, text));
  }
}

void VerifySaveFiles(SaveFileStore& store, const SaveFileText& text) {
  for (const SaveFileEntry& file : store.ListSaveFiles()) {
    const std::string bytes = store.ReadSaveFile(file.path);
    if (std::optional<Lines> checked = CheckedFileLines(text.Read(bytes)))
      Store(store, file, bytes, text.Write(*checked));
  }
}

}  // namespace dm
