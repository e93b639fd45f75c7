#pragma once
// Answers the private runtime's URL monikers and file opens: content addresses from registered sources,
// other addresses from the process-wide handlers or the genuine URL monikers.
#include <windows.h>
#include <objidl.h>
#include <urlmon.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flash/content/content_provider.h"
#include "flash/content/content_source.h"
#include "flash/content/content_url.h"
#include "flash/runtime/flash_player_control.h"
#include "ui/com.h"

namespace dm {

// The genuine urlmon entry points, read at each use: they may be bound after the manager is created, and
// a null one behaves as a failed call.
struct UrlMonikerFunctions {
  const CreateURLMonikerFunction& CreateURLMoniker;
  const RegisterBindStatusCallbackFunction& RegisterBindStatusCallback;
};

class TContentManager {
 public:
  explicit TContentManager(UrlMonikerFunctions urlmon) : urlmon_(urlmon) {}
  TContentManager(const TContentManager&) = delete;
  TContentManager& operator=(const TContentManager&) = delete;

  // Always S_OK: a new moniker for the address, answered by this manager when bound.
  HRESULT CreateURLMoniker(IMoniker* context, LPCWSTR address, IMoniker** moniker);
  // The system's 8-bit file open, except that a content address of a registered source opens its file
  // under the source's base folder when that exists.
  HANDLE CreateFile(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                    DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
  // Binds the address for the consumer's callback: MK_S_ASYNCHRONOUS when someone supplies the data,
  // E_FAIL for a content address of an unknown source, MK_E_NOSTORAGE when nobody does.
  HRESULT BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID iid, IMoniker* context,
                        IBindStatusCallback* consumer, const std::wstring& address, void** object);

  void AddContentSource(int32_t id, std::shared_ptr<IContentSource> source);
  // Content prepared before the runtime asks for it; used by the first bind of the same content.
  void AddPendingContent(std::wstring address, ComPtr<IContentProvider> provider);

  ComPtr<IContentProvider> TakePendingContent(const std::wstring& address);
  std::shared_ptr<IContentSource> FindContentSource(int32_t id) const;
  // The source's base folder, or the process's current directory when it has none.
  static std::wstring ContentBaseFolder(IContentSource& source);
  // Offers the path to the source, asynchronously first; true when it supplied or took the request.
  static bool AskContentSource(IContentSource& source, const std::wstring& path, const ComPtr<IStream>& stream);

  const UrlMonikerFunctions& Urlmon() const noexcept { return urlmon_; }

 private:
  bool BindContentAddress(IBindCtx* bindContext, IMoniker* left, REFIID iid, IContentSource& source,
                          const std::wstring& path, const ComPtr<IContentProvider>& provider,
                          const ComPtr<IStream>& stream, void** object);
  bool BindOrdinaryAddress(IBindCtx* bindContext, IMoniker* left, REFIID iid, const std::wstring& address,
                           const ComPtr<IStream>& stream, void** object);
  // The genuine moniker's own binding; true when it started or finished.
  bool BindGenuine(IBindCtx* bindContext, IMoniker* left, REFIID iid, const std::wstring& address,
                   void** object);

  const UrlMonikerFunctions urlmon_;
  // Registrations may come from another thread than the runtime's binds; never held while calling out.
  mutable std::mutex listsLock_;
  std::vector<std::pair<std::wstring, ComPtr<IContentProvider>>> pendingContent_;
  std::vector<std::pair<int32_t, std::shared_ptr<IContentSource>>> contentSources_;
};

// The content address read from wide text; the Windows-side form of ParseContentUrl.
std::optional<ContentAddress> ParseContentUrl(const std::wstring& address);

}  // namespace dm
