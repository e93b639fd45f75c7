#pragma once
// Counting fakes for the content manager's tests: a consumer callback that records what it hears, content
// sources with scripted answers, and stand-ins for the genuine urlmon functions.
#include <windows.h>
#include <objidl.h>
#include <urlmon.h>

#include <functional>
#include <string>
#include <vector>

#include "flash/content/content_manager.h"
#include "ui/com.h"

namespace dm::test {

// Live fake COM objects; every test ends with none.
inline int LiveFakes = 0;

template <class Interface>
class FakeComObject : public Interface {
 public:
  FakeComObject() { ++LiveFakes; }
  virtual ~FakeComObject() { --LiveFakes; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refCount_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG count = --refCount_;
    if (count == 0) delete this;
    return count;
  }

 private:
  ULONG refCount_ = 1;
};

struct DataEvent {
  DWORD flags;
  DWORD size;
  std::string bytes;
  CLIPFORMAT format;
  DWORD aspect;
  LONG index;
  DWORD formatMedium;
  DWORD medium;
};

class RecordingCallback : public FakeComObject<IBindStatusCallback> {
 public:
  int starts = 0;
  int stops = 0;
  HRESULT stopResult = E_PENDING;
  std::vector<DataEvent> data;
  HRESULT dataAnswer = S_OK;
  // "start", "data", "stop" in the order they came.
  std::vector<std::string> order;

  std::string AllBytes() const {
    std::string all;
    for (const DataEvent& event : data) all += event.bytes;
    return all;
  }

  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override {
    ++starts;
    order.push_back("start");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR) override {
    ++stops;
    stopResult = result;
    order.push_back("stop");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override {
    DataEvent event{flags, size, {}, format->cfFormat, format->dwAspect, format->lindex, format->tymed, medium->tymed};
    if (medium->tymed == TYMED_ISTREAM && medium->pstm) {
      char chunk[256];
      ULONG read = 0;
      while (SUCCEEDED(medium->pstm->Read(chunk, sizeof chunk, &read)) && read > 0) event.bytes.append(chunk, read);
    }
    data.push_back(event);
    order.push_back("data");
    return dataAnswer;
  }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }
};

inline ComPtr<RecordingCallback> NewCallback() { return ComPtr<RecordingCallback>::Attach(new RecordingCallback()); }

inline HRESULT WriteText(IStream& stream, const std::string& text, ULONG* written = nullptr) {
  ULONG count = 0;
  HRESULT result = stream.Write(text.data(), static_cast<ULONG>(text.size()), &count);
  if (written) *written = count;
  return result;
}

class ScriptedSource : public IContentSource {
 public:
  std::wstring baseFolder;
  // Returns whether the source takes the request; may keep the stream.
  std::function<bool(const std::wstring&, const ComPtr<IStream>&)> onAsync = [](auto&, auto&) { return false; };
  std::string syncContent;
  std::vector<std::wstring> askedPaths;

  std::wstring GetBaseFolder() override { return baseFolder; }
  void ProvideContent(const std::wstring& path, std::vector<uint8_t>& buffer) override {
    askedPaths.push_back(L"sync:" + path);
    buffer.assign(syncContent.begin(), syncContent.end());
  }
  bool ProvideContentAsync(const std::wstring& path, const ComPtr<IStream>& stream) override {
    askedPaths.push_back(L"async:" + path);
    return onAsync(path, stream);
  }
};

// The genuine moniker's stand-in: remembers its address and answers BindToStorage as told.
class FakeGenuineMoniker : public FakeComObject<IMoniker> {
 public:
  explicit FakeGenuineMoniker(std::wstring url) : url(std::move(url)) {}
  std::wstring url;
  static inline HRESULT bindAnswer = E_FAIL;
  static inline int binds = 0;

  HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID, void**) override {
    ++binds;
    return bindAnswer;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override {
    *name = static_cast<LPOLESTR>(CoTaskMemAlloc((url.size() + 1) * sizeof(wchar_t)));
    wcscpy(*name, url.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, BOOL, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Enum(BOOL, IEnumMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsEqual(IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Hash(DWORD* hash) override {
    *hash = 42;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Inverse(IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD*) override { return E_NOTIMPL; }
};

// The genuine urlmon functions' stand-ins. The bind context keeps one registered callback.
struct FakeUrlmon {
  static inline std::vector<std::wstring> createdUrls;
  static inline bool failCreate = false;
  static inline IBindStatusCallback* registered = nullptr;

  static HRESULT WINAPI CreateURLMoniker(IMoniker*, LPCWSTR url, IMoniker** moniker) {
    createdUrls.push_back(url);
    if (failCreate) {
      *moniker = nullptr;
      return E_OUTOFMEMORY;
    }
    *moniker = new FakeGenuineMoniker(url);
    return S_OK;
  }
  static HRESULT WINAPI RegisterBindStatusCallback(IBindCtx*, IBindStatusCallback* callback,
                                                   IBindStatusCallback** previous, DWORD) {
    *previous = registered;  // the slot's reference moves to the caller
    registered = callback;
    if (callback) callback->AddRef();
    return S_OK;
  }
  static void Reset() {
    createdUrls.clear();
    failCreate = false;
    if (registered) registered->Release();
    registered = nullptr;
    FakeGenuineMoniker::bindAnswer = E_FAIL;
    FakeGenuineMoniker::binds = 0;
  }
  static inline CreateURLMonikerFunction create = &CreateURLMoniker;
  static inline RegisterBindStatusCallbackFunction registerCallback = &RegisterBindStatusCallback;
  static UrlMonikerFunctions Functions() { return {create, registerCallback}; }
};

}  // namespace dm::test
