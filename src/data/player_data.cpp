#include "data/player_data.h"

#include <shlobj.h>

#include "data/save_file_name.h"
#include "data/signing_passes.h"
#include "ui/com.h"

namespace dm {
namespace {

struct ShellFree {
  void operator()(ITEMIDLIST* list) const noexcept {
    ComPtr<IMalloc> allocator;
    if (SUCCEEDED(SHGetMalloc(allocator.Put()))) allocator->Free(list);
  }
};

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// One level only; a failure shows later, when a file cannot be written there.
void CreateFolderIfMissing(const std::wstring& path) {
  if (!FolderExists(path)) CreateDirectoryW(path.c_str(), nullptr);
}

std::u16string ToUtf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

PlayerData::PlayerData(HWND owner) : owner_(owner) {}

PlayerData::PlayerData(HWND owner, std::wstring applicationDataFolder)
    : owner_(owner), applicationDataFolder_(std::move(applicationDataFolder)) {}

std::wstring PlayerData::GetSpecialFolderPath(int csidl) const {
  ITEMIDLIST* raw = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner_, csidl, &raw)) || !raw) return {};
  std::unique_ptr<ITEMIDLIST, ShellFree> list(raw);
  wchar_t path[MAX_PATH] = {};
  return SHGetPathFromIDListW(list.get(), path) ? std::wstring(path) : std::wstring();
}

void PlayerData::PreparePlayerDataFolder() {
  std::wstring base = applicationDataFolder_ ? *applicationDataFolder_ : GetSpecialFolderPath(CSIDL_APPDATA);
  if (base.empty() || base.back() != L'\\') base += L'\\';
  CreateFolderIfMissing(base + L"Wendrake\\");
  playerDataFolder_ = base + L"Wendrake\\Driftmarrow\\";
  CreateFolderIfMissing(playerDataFolder_);
  folder_ = std::make_unique<SaveFolder>(playerDataFolder_);
  folder_->RemovePendingFiles();
}

SaveFolder& PlayerData::Folder() {
  if (!folder_) throw Error(L"The player data folder has not been prepared");
  return *folder_;
}

void PlayerData::EnsurePlayersFile() {
  const std::wstring path = Folder().Path() + L"players";
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) ThrowCannotCreate(path, ERROR_ACCESS_DENIED);
    return;
  }
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_EXISTS) return;  // another program made it meanwhile
    ThrowCannotCreate(path, GetLastError());
  }
  CloseHandle(file);
}

void PlayerData::SavePlayerFile(const std::wstring& commandText, const std::wstring& fileName) {
  SaveFolder& folder = Folder();
  const std::optional<std::wstring> path = SaveFilePath(folder.Path(), fileName);
  if (!path) ThrowCannotCreate(folder.Path() + fileName, ERROR_INVALID_NAME);
  CreateFolderIfMissing(path->substr(0, path->find_last_of(L'\\')));
  folder.WriteSaveFile(*path, text_.Write(ToLineText(ToUtf16(commandText))));
}

void PlayerData::DeletePlayerFile(const std::wstring& fileName) {
  if (const std::optional<std::wstring> path = SaveFilePath(Folder().Path(), fileName))
    DeleteFileW(path->c_str());
}

void PlayerData::signFiles() {
  filesSigned_ = true;
  SignSaveFiles(Folder(), text_);
}

void PlayerData::VerifyPlayerFiles() { VerifySaveFiles(Folder(), text_); }

}  // namespace dm
