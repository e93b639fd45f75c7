#include "flash/content/my_moniker.h"

#include "flash/content/content_manager.h"

namespace dm {

TMyMoniker::TMyMoniker(TContentManager& manager, IMoniker* context, std::wstring url)
    : manager_(manager), url_(std::move(url)), context_(context) {
  if (manager_.Urlmon().CreateURLMoniker) manager_.Urlmon().CreateURLMoniker(context, url_.c_str(), inner_.Put());
}

ComPtr<IMoniker> TMyMoniker::Create(TContentManager& manager, IMoniker* context, std::wstring url) {
  return ComPtr<IMoniker>::Attach(new TMyMoniker(manager, context, std::move(url)));
}

HRESULT TMyMoniker::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IMoniker || iid == IID_IPersistStream || iid == IID_IPersist)
    *object = static_cast<IMoniker*>(this);
  else if (iid == IID_IBindStatusCallback)
    *object = static_cast<IBindStatusCallback*>(this);
  else if (iid == IID_IBinding)
    *object = static_cast<IBinding*>(this);
  else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG TMyMoniker::AddRef() { return static_cast<ULONG>(++refCount_); }

ULONG TMyMoniker::Release() {
  LONG count = --refCount_;
  if (count <= 0) {
    delete this;
    return 0;
  }
  return static_cast<ULONG>(count);
}

HRESULT TMyMoniker::BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID iid, void** object) {
  try {
    // Registering ourselves hands back the consumer's callback; registering that again puts it back.
    ComPtr<IBindStatusCallback> consumer;
    if (auto registerCallback = manager_.Urlmon().RegisterBindStatusCallback) {
      registerCallback(bindContext, static_cast<IBindStatusCallback*>(this), consumer.Put(), 0);
      ComPtr<IBindStatusCallback> ours;
      registerCallback(bindContext, consumer.Get(), ours.Put(), 0);
    }
    return manager_.BindToStorage(bindContext, left, iid, context_.Get(), consumer.Get(), url_, object);
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TMyMoniker::GetClassID(CLSID* classId) { return inner_ ? inner_->GetClassID(classId) : E_FAIL; }
HRESULT TMyMoniker::IsDirty() { return inner_ ? inner_->IsDirty() : E_FAIL; }
HRESULT TMyMoniker::Load(IStream* stream) { return inner_ ? inner_->Load(stream) : E_FAIL; }
HRESULT TMyMoniker::Save(IStream* stream, BOOL clearDirty) { return inner_ ? inner_->Save(stream, clearDirty) : E_FAIL; }
HRESULT TMyMoniker::GetSizeMax(ULARGE_INTEGER* size) { return inner_ ? inner_->GetSizeMax(size) : E_FAIL; }

HRESULT TMyMoniker::BindToObject(IBindCtx* bindContext, IMoniker* left, REFIID iid, void** object) {
  return inner_ ? inner_->BindToObject(bindContext, left, iid, object) : E_FAIL;
}

HRESULT TMyMoniker::Reduce(IBindCtx* bindContext, DWORD howFar, IMoniker** left, IMoniker** reduced) {
  if (reduced) *reduced = nullptr;
  return inner_ ? inner_->Reduce(bindContext, howFar, left, reduced) : E_FAIL;
}

HRESULT TMyMoniker::ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric, IMoniker** composite) {
  if (composite) *composite = nullptr;
  return inner_ ? inner_->ComposeWith(right, onlyIfNotGeneric, composite) : E_FAIL;
}

HRESULT TMyMoniker::Enum(BOOL forward, IEnumMoniker** enumerator) {
  if (enumerator) *enumerator = nullptr;
  return inner_ ? inner_->Enum(forward, enumerator) : E_FAIL;
}

HRESULT TMyMoniker::IsEqual(IMoniker* other) { return inner_ ? inner_->IsEqual(other) : E_FAIL; }
HRESULT TMyMoniker::Hash(DWORD* hash) { return inner_ ? inner_->Hash(hash) : E_FAIL; }

HRESULT TMyMoniker::IsRunning(IBindCtx* bindContext, IMoniker* left, IMoniker* newlyRunning) {
  return inner_ ? inner_->IsRunning(bindContext, left, newlyRunning) : E_FAIL;
}

HRESULT TMyMoniker::GetTimeOfLastChange(IBindCtx* bindContext, IMoniker* left, FILETIME* time) {
  return inner_ ? inner_->GetTimeOfLastChange(bindContext, left, time) : E_FAIL;
}

HRESULT TMyMoniker::Inverse(IMoniker** inverse) {
  if (inverse) *inverse = nullptr;
  return inner_ ? inner_->Inverse(inverse) : E_FAIL;
}

HRESULT TMyMoniker::CommonPrefixWith(IMoniker* other, IMoniker** prefix) {
  if (prefix) *prefix = nullptr;
  return inner_ ? inner_->CommonPrefixWith(other, prefix) : E_FAIL;
}

HRESULT TMyMoniker::RelativePathTo(IMoniker* other, IMoniker** relativePath) {
  if (relativePath) *relativePath = nullptr;
  return inner_ ? inner_->RelativePathTo(other, relativePath) : E_FAIL;
}

HRESULT TMyMoniker::GetDisplayName(IBindCtx* bindContext, IMoniker* left, LPOLESTR* name) {
  return inner_ ? inner_->GetDisplayName(bindContext, left, name) : E_FAIL;
}

HRESULT TMyMoniker::ParseDisplayName(IBindCtx* bindContext, IMoniker* left, LPOLESTR name, ULONG* eaten,
                                     IMoniker** result) {
  if (result) *result = nullptr;
  return inner_ ? inner_->ParseDisplayName(bindContext, left, name, eaten, result) : E_FAIL;
}

HRESULT TMyMoniker::IsSystemMoniker(DWORD* kind) { return inner_ ? inner_->IsSystemMoniker(kind) : E_FAIL; }

HRESULT TMyMoniker::OnStartBinding(DWORD, IBinding*) { return E_FAIL; }
HRESULT TMyMoniker::GetPriority(LONG*) { return E_FAIL; }
HRESULT TMyMoniker::OnLowResource(DWORD) { return E_FAIL; }
HRESULT TMyMoniker::OnProgress(ULONG, ULONG, ULONG, LPCWSTR) { return E_FAIL; }
HRESULT TMyMoniker::OnStopBinding(HRESULT, LPCWSTR) { return E_FAIL; }
HRESULT TMyMoniker::GetBindInfo(DWORD*, BINDINFO*) { return E_FAIL; }
HRESULT TMyMoniker::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) { return E_FAIL; }
HRESULT TMyMoniker::OnObjectAvailable(REFIID, IUnknown*) { return E_FAIL; }
HRESULT TMyMoniker::Abort() { return E_FAIL; }
HRESULT TMyMoniker::Suspend() { return E_FAIL; }
HRESULT TMyMoniker::Resume() { return E_FAIL; }
HRESULT TMyMoniker::SetPriority(LONG) { return E_FAIL; }
HRESULT TMyMoniker::GetBindResult(CLSID*, DWORD*, LPOLESTR*, DWORD*) { return E_FAIL; }

}  // namespace dm
