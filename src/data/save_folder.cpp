#include "data/save_folder.h"

#include <algorithm>
#include <memory>

#include "data/save_file_name.h"
#include "ui/com.h"

namespace dm {
namespace {

struct HandleCloser {
  void operator()(HANDLE h) const noexcept { CloseHandle(h); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

struct FindCloser {
  void operator()(HANDLE h) const noexcept { FindClose(h); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

// A save file is read whole into memory; beyond this it is refused rather than exhausting the process.
constexpr LONGLONG kLargestReadableFile = 256ll << 20;

constexpr DWORD kNotRecreatable = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM;

}  // namespace

void ThrowCannotCreate(const std::wstring& path, DWORD error) {
  throw Error(L"Cannot create file \"" + path + L"\". " + SystemMessage(error));
}

void ThrowCannotOpen(const std::wstring& path, DWORD error) {
  throw Error(L"Cannot open file \"" + path + L"\". " + SystemMessage(error));
}

SaveFolder::SaveFolder(std::wstring folder)
    : folder_(std::move(folder)), pending_(folder_ + std::wstring(kPendingFolderName) + L"\\") {}

SaveFolder::~SaveFolder() { RemoveDirectoryW(pending_.c_str()); }

std::vector<SaveFileEntry> SaveFolder::ListSaveFiles() {
  std::vector<SaveFileEntry> files;
  WIN32_FIND_DATAW entry;
  FindHandle find(FindFirstFileExW((folder_ + L"*.*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (find.get() == INVALID_HANDLE_VALUE) {
    find.release();
    return files;
  }
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    files.push_back({folder_ + entry.cFileName, (entry.dwFileAttributes & kNotRecreatable) == 0});
  } while (FindNextFileW(find.get(), &entry));
  return files;
}

std::string SaveFolder::ReadSaveFile(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    ThrowCannotOpen(path, GetLastError());
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) ThrowCannotOpen(path, GetLastError());
  if (size.QuadPart > kLargestReadableFile) ThrowCannotOpen(path, ERROR_FILE_TOO_LARGE);
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr))
      ThrowCannotOpen(path, GetLastError());
    if (read == 0) break;  // the file shrank since its size was taken
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

std::wstring SaveFolder::NewPendingFile(std::wstring_view target, HANDLE& handle) {
  const std::wstring targetPath(target);
  if (!CreateDirectoryW(pending_.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    ThrowCannotCreate(targetPath, GetLastError());
  const std::wstring prefix = pending_ + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (;;) {
    std::wstring path = prefix + std::to_wstring(++counter_) + L".tmp";
    handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return path;
    if (GetLastError() != ERROR_FILE_EXISTS) ThrowCannotCreate(targetPath, GetLastError());
  }
}

void SaveFolder::WriteSaveFile(const std::wstring& path, std::string_view bytes) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) ThrowCannotCreate(path, GetLastError());
  } else if (attributes & kNotRecreatable) {
    ThrowCannotCreate(path, ERROR_ACCESS_DENIED);
  }

  HANDLE raw;
  const std::wstring pending = NewPendingFile(path, raw);
  FileHandle file(raw);
  auto fail = [&](DWORD error) {
    file.reset();
    DeleteFileW(pending.c_str());
    ThrowCannotCreate(path, error);
  };
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr)) fail(GetLastError());
    if (written == 0) fail(ERROR_WRITE_FAULT);
    done += written;
  }
  if (!FlushFileBuffers(file.get())) fail(GetLastError());
  file.reset();
  if (!MoveFileExW(pending.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    fail(GetLastError());
}

void SaveFolder::RemovePendingFiles() {
  WIN32_FIND_DATAW entry;
  FindHandle find(FindFirstFileExW((pending_ + L"*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                   nullptr, 0));
  if (find.get() == INVALID_HANDLE_VALUE) {
    find.release();
  } else {
    do {
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const std::wstring path = pending_ + entry.cFileName;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path.c_str());
    } while (FindNextFileW(find.get(), &entry));
  }
  RemoveDirectoryW(pending_.c_str());
}

}  // namespace dm
