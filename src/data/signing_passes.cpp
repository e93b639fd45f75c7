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
  const std::u16string read = text.Read(bytes);
  std::u16string_view lines = read;
  if (!lines.empty() && !IsUnsignedFile(lines)) lines = AfterFirstLine(lines);
  const std::string body = text.Write(lines);
  // Sign what will be stored: characters the ANSI code page lacks (from a file with a byte-order mark)
  // are stored as its default character, and the check will read those.
  const std::u16string signature =
      IsAscii(lines) ? FileSignature(lines) : FileSignature(ToLineText(text.Ansi().Decode(body)));
  return text.Write(signature + u"\r\n") + body;
}

std::optional<std::u16string> CheckedFileText(std::u16string_view lineText) {
  if (IsUnsignedFile(lineText)) return std::nullopt;
  if (!lineText.empty()) {
    const std::u16string_view rest = AfterFirstLine(lineText);
    if (FirstLine(lineText) == FileSignature(rest)) return std::u16string(rest);
  }
  return std::u16string(kCorruptedMarker) + u"\r\n";
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
    if (const std::optional<std::u16string> checked = CheckedFileText(text.Read(bytes)))
      Store(store, file, bytes, text.Write(*checked));
  }
}

}  // namespace dm
