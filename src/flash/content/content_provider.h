#pragma once
// The provider between whoever writes a content's bytes and the consumer's bind-status callback, and the
// write-only stream a writer is handed. Either side may come first: bytes written before the consumer's
// callback is known are buffered and delivered as one notification when it arrives.
#include <windows.h>
#include <objidl.h>
#include <urlmon.h>

#include <atomic>
#include <mutex>

#include "ui/com.h"

namespace dm {

extern const IID IID_IContentProvider;

struct IContentProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetBindStatusCallback(IBindStatusCallback* callback) = 0;
  // 1 while nothing has been written, else 0.
  virtual LONG STDMETHODCALLTYPE IsEmpty() = 0;
  // The writer is done.
  virtual HRESULT STDMETHODCALLTYPE EndOfData() = 0;
  // written may be null; it is 0 when the consumer refused the bytes.
  virtual HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) = 0;
};

class TContentProvider final : public IContentProvider {
 public:
  // A new provider and the stream that writes into it; the stream tells the provider the writer is done
  // when its last holder releases it.
  static ComPtr<IContentProvider> Create(ComPtr<IStream>& stream);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE SetBindStatusCallback(IBindStatusCallback* callback) override;
  LONG STDMETHODCALLTYPE IsEmpty() override;
  HRESULT STDMETHODCALLTYPE EndOfData() override;
  HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) override;

 private:
  TContentProvider() = default;
  ~TContentProvider() = default;
  void SendStartOnce();

  std::atomic<ULONG> refCount_{1};
  // Held while the consumer is called back: a source may write from another thread.
  std::recursive_mutex lock_;
  ComPtr<IStream> buffer_;  // bytes written before the callback was known
  ULONG bufferedSize_ = 0;
  bool startSent_ = false;
  bool dataWritten_ = false;
  bool finished_ = false;
  ComPtr<IBindStatusCallback> callback_;
};

class TContentProviderStream final : public IStream {
 public:
  explicit TContentProviderStream(ComPtr<IContentProvider> provider) : provider_(std::move(provider)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Read(void* data, ULONG count, ULONG* read) override;
  HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) override;
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Revert() override;
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override;

 private:
  ~TContentProviderStream();

  std::atomic<ULONG> refCount_{1};
  ComPtr<IContentProvider> provider_;
};

}  // namespace dm
