#include "flash/content/content_manager.h"

#include <algorithm>

#include "flash/content/my_moniker.h"

namespace dm {

ProvideContentAsyncHandler GlobalProvideContentAsync;
ProvideContentHandler GlobalProvideContent;

void ClearContentHandlers() {
  GlobalProvideContentAsync = nullptr;
  GlobalProvideContent = nullptr;
}

namespace {

std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::wstring FromAnsi(LPCSTR text) {
  int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  wide.pop_back();
  return wide;
}

std::wstring CurrentDirectory() {
  DWORD length = GetCurrentDirectoryW(0, nullptr);
  if (length == 0) return {};
  std::wstring folder(length, L'\0');
  length = GetCurrentDirectoryW(length, folder.data());
  folder.resize(length);
  return folder;
}

// Copies the buffer into the stream from its start; true when it held anything.
bool WriteBuffer(const std::vector<uint8_t>& buffer, const ComPtr<IStream>& stream) {
  if (buffer.empty()) return false;
  ULONG written = 0;
  stream->Write(buffer.data(), static_cast<ULONG>(buffer.size()), &written);
  return true;
}

}  // namespace

std::optional<ContentAddress> ParseContentUrl(const std::wstring& address) {
  return ParseContentUrl(std::u16string(address.begin(), address.end()));
}

HRESULT TContentManager::CreateURLMoniker(IMoniker* context, LPCWSTR address, IMoniker** moniker) {
  *moniker = TMyMoniker::Create(*this, context, address ? address : L"").Detach();
  return S_OK;
}

HANDLE TContentManager::CreateFile(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) {
  if (fileName) {
    if (std::optional<ContentAddress> content = ParseContentUrl(FromAnsi(fileName))) {
      if (std::shared_ptr<IContentSource> source = FindContentSource(content->SourceId)) {
        std::wstring target = ContentBaseFolder(*source) + L"\\" + ToWide(content->Path);
        std::ranges::replace(target, L'/', L'\\');
        HANDLE file = ::CreateFileW(target.c_str(), access, shareMode, security, creationDisposition,
                                  flagsAndAttributes, templateFile);
        if (file != INVALID_HANDLE_VALUE) return file;
      }
    }
  }
  return ::CreateFileA(fileName, access, shareMode, security, creationDisposition, flagsAndAttributes, templateFile);
}

HRESULT TContentManager::BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID iid, IMoniker* context,
                                       IBindStatusCallback* consumer, const std::wstring& address, void** object) {
  *object = nullptr;
  // Genuine monikers below are created without a context.
  (void)context;
  if (ComPtr<IContentProvider> pending = TakePendingContent(address)) {
    pending->SetBindStatusCallback(consumer);
    return MK_S_ASYNCHRONOUS;
  }
  ComPtr<IStream> stream;
  ComPtr<IContentProvider> provider = TContentProvider::Create(stream);
  provider->SetBindStatusCallback(consumer);
  bool handled;
  if (std::optional<ContentAddress> content = ParseContentUrl(address)) {
    std::shared_ptr<IContentSource> source = FindContentSource(content->SourceId);
    if (!source) return E_FAIL;
    handled = BindContentAddress(bindContext, left, iid, *source, ToWide(content->Path), provider, stream, object);
  } else {
    handled = BindOrdinaryAddress(bindContext, left, iid, address, stream, object);
  }
  return handled ? MK_S_ASYNCHRONOUS : MK_E_NOSTORAGE;
}

bool TContentManager::BindContentAddress(IBindCtx* bindContext, IMoniker* left, REFIID iid, IContentSource& source,
                                         const std::wstring& path, const ComPtr<IContentProvider>& provider,
                                         const ComPtr<IStream>& stream, void** object) {
  if (AskContentSource(source, path, stream)) return true;
  if (provider->IsEmpty() == 0) return true;
  return BindGenuine(bindContext, left, iid, ContentBaseFolder(source) + L"/" + path, object);
}

bool TContentManager::BindOrdinaryAddress(IBindCtx* bindContext, IMoniker* left, REFIID iid,
                                          const std::wstring& address, const ComPtr<IStream>& stream,
                                          void** object) {
  if (GlobalProvideContentAsync && GlobalProvideContentAsync(address, stream)) return true;
  if (GlobalProvideContent) {
    std::vector<uint8_t> buffer;
    GlobalProvideContent(address, buffer);
    if (WriteBuffer(buffer, stream)) return true;
  }
  return BindGenuine(bindContext, left, iid, address, object);
}

bool TContentManager::BindGenuine(IBindCtx* bindContext, IMoniker* left, REFIID iid, const std::wstring& address,
                                  void** object) {
  if (!urlmon_.CreateURLMoniker) return false;
  ComPtr<IMoniker> genuine;
  if (FAILED(urlmon_.CreateURLMoniker(nullptr, address.c_str(), genuine.Put())) || !genuine) return false;
  HRESULT result = genuine->BindToStorage(bindContext, left, iid, object);
  // An asynchronous bind has started: the consumer's callback hears the rest from the genuine moniker.
  return result == S_OK || result == MK_S_ASYNCHRONOUS;
}

void TContentManager::AddContentSource(int32_t id, std::shared_ptr<IContentSource> source) {
  std::lock_guard guard(listsLock_);
  contentSources_.emplace_back(id, std::move(source));
}

void TContentManager::AddPendingContent(std::wstring address, ComPtr<IContentProvider> provider) {
  std::lock_guard guard(listsLock_);
  pendingContent_.emplace_back(std::move(address), std::move(provider));
}

ComPtr<IContentProvider> TContentManager::TakePendingContent(const std::wstring& address) {
  std::u16string wanted(address.begin(), address.end());
  std::lock_guard guard(listsLock_);
  auto entry = std::ranges::find_if(pendingContent_, [&](const auto& pending) {
    return SameContentUrl(std::u16string(pending.first.begin(), pending.first.end()), wanted);
  });
  if (entry == pendingContent_.end()) return nullptr;
  ComPtr<IContentProvider> provider = std::move(entry->second);
  pendingContent_.erase(entry);
  return provider;
}

std::shared_ptr<IContentSource> TContentManager::FindContentSource(int32_t id) const {
  std::lock_guard guard(listsLock_);
  auto entry = std::ranges::find_if(contentSources_, [&](const auto& source) { return source.first == id; });
  return entry == contentSources_.end() ? nullptr : entry->second;
}

std::wstring TContentManager::ContentBaseFolder(IContentSource& source) {
  std::wstring folder = source.GetBaseFolder();
  return folder.empty() ? CurrentDirectory() : folder;
}

bool TContentManager::AskContentSource(IContentSource& source, const std::wstring& path,
                                       const ComPtr<IStream>& stream) {
  std::wstring relative = !path.empty() && path.front() == L'/' ? path.substr(1) : path;
  if (source.ProvideContentAsync(relative, stream)) return true;
  std::vector<uint8_t> buffer;
  source.ProvideContent(relative, buffer);
  return WriteBuffer(buffer, stream);
}

}  // namespace dm
