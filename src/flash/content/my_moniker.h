#pragma once
// The URL moniker handed to the private runtime. Binding to storage goes to the content manager; every
// other moniker operation goes to the genuine URL moniker for the same address.
#include <windows.h>
#include <objidl.h>
#include <urlmon.h>

#include <atomic>
#include <string>

#include "ui/com.h"

namespace dm {

class TContentManager;

class TMyMoniker final : public IMoniker, public IBindStatusCallback, public IBinding {
 public:
  // The moniker's IMoniker face, holding one reference.
  static ComPtr<IMoniker> Create(TContentManager& manager, IMoniker* context, std::wstring url);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;

  HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* bindContext, IMoniker* left, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE Reduce(IBindCtx* bindContext, DWORD howFar, IMoniker** left, IMoniker** reduced) override;
  HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric, IMoniker** composite) override;
  HRESULT STDMETHODCALLTYPE Enum(BOOL forward, IEnumMoniker** enumerator) override;
  HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) override;
  HRESULT STDMETHODCALLTYPE Hash(DWORD* hash) override;
  HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx* bindContext, IMoniker* left, IMoniker* newlyRunning) override;
  HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx* bindContext, IMoniker* left, FILETIME* time) override;
  HRESULT STDMETHODCALLTYPE Inverse(IMoniker** inverse) override;
  HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker* other, IMoniker** prefix) override;
  HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker* other, IMoniker** relativePath) override;
  HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx* bindContext, IMoniker* left, LPOLESTR* name) override;
  HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx* bindContext, IMoniker* left, LPOLESTR name, ULONG* eaten,
                                             IMoniker** result) override;
  HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* kind) override;

  // The runtime's binding never talks to this object as a callback or a binding: all of these fail.
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) override;
  HRESULT STDMETHODCALLTYPE Abort() override;
  HRESULT STDMETHODCALLTYPE Suspend() override;
  HRESULT STDMETHODCALLTYPE Resume() override;
  HRESULT STDMETHODCALLTYPE SetPriority(LONG priority) override;
  HRESULT STDMETHODCALLTYPE GetBindResult(CLSID* protocol, DWORD* result, LPOLESTR* text, DWORD* reserved) override;

 private:
  TMyMoniker(TContentManager& manager, IMoniker* context, std::wstring url);
  ~TMyMoniker() = default;

  std::atomic<LONG> refCount_{1};
  TContentManager& manager_;
  std::wstring url_;
  ComPtr<IMoniker> context_;
  ComPtr<IMoniker> inner_;  // the genuine moniker; null when it could not be made
};

}  // namespace dm
