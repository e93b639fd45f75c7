#include "flash/content/content_provider.h"

namespace dm {

// {58245B0F-C1F8-4D38-B411-F4EBE2A76590}
const IID IID_IContentProvider = {0x58245B0F, 0xC1F8, 0x4D38, {0xB4, 0x11, 0xF4, 0xEB, 0xE2, 0xA7, 0x65, 0x90}};

namespace {

// Every notification carries one stream with all the bytes it announces, first and last at once.
constexpr DWORD DataFlags = BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION;

FORMATETC StreamFormat() { return FORMATETC{0, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM}; }

ComPtr<IStream> NewMemoryStream() {
  ComPtr<IStream> stream;
  ThrowIfFailed(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), L"CreateStreamOnHGlobal");
  return stream;
}

void SeekToStart(IStream& stream) {
  LARGE_INTEGER start{};
  stream.Seek(start, STREAM_SEEK_SET, nullptr);
}

HRESULT SendData(IBindStatusCallback& callback, ULONG size, IStream& stream) {
  FORMATETC format = StreamFormat();
  STGMEDIUM medium{};
  medium.tymed = TYMED_ISTREAM;
  medium.pstm = &stream;
  medium.pUnkForRelease = nullptr;
  return callback.OnDataAvailable(DataFlags, size, &format, &medium);
}

}  // namespace

ComPtr<IContentProvider> TContentProvider::Create(ComPtr<IStream>& stream) {
  auto provider = ComPtr<IContentProvider>::Attach(new TContentProvider());
  static_cast<TContentProvider*>(provider.Get())->buffer_ = NewMemoryStream();
  stream = ComPtr<IStream>::Attach(new TContentProviderStream(provider));
  return provider;
}

HRESULT TContentProvider::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IContentProvider) {
    *object = static_cast<IContentProvider*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TContentProvider::AddRef() { return ++refCount_; }

ULONG TContentProvider::Release() {
  ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

void TContentProvider::SendStartOnce() {
  if (startSent_) return;
  startSent_ = true;
  callback_->OnStartBinding(0, nullptr);
}

HRESULT TContentProvider::SetBindStatusCallback(IBindStatusCallback* callback) {
  std::lock_guard guard(lock_);
  callback_ = ComPtr<IBindStatusCallback>(callback);
  // The buffer is delivered once; a later callback only sees what is written after it.
  if (dataWritten_ && callback_ && buffer_) {
    SendStartOnce();
    SeekToStart(*buffer_.Get());
    SendData(*callback_.Get(), bufferedSize_, *buffer_.Get());
    buffer_.Reset();
    if (finished_) callback_->OnStopBinding(S_OK, nullptr);
  }
  return S_OK;
}

LONG TContentProvider::IsEmpty() {
  std::lock_guard guard(lock_);
  return dataWritten_ ? 0 : 1;
}

HRESULT TContentProvider::EndOfData() {
  std::lock_guard guard(lock_);
  // The consumer hears of the end once, however many writers say so.
  if (finished_) return S_OK;
  finished_ = true;
  if (dataWritten_ && callback_) {
    SendStartOnce();
    callback_->OnStopBinding(S_OK, nullptr);
  }
  return S_OK;
}

HRESULT TContentProvider::Write(const void* data, ULONG count, ULONG* written) {
  try {
    std::lock_guard guard(lock_);
    dataWritten_ = true;
    if (callback_) {
      SendStartOnce();
      ComPtr<IStream> chunk = NewMemoryStream();
      ULONG stored = 0;
      chunk->Write(data, count, &stored);
      SeekToStart(*chunk.Get());
      HRESULT accepted = SendData(*callback_.Get(), stored, *chunk.Get());
      if (written) *written = accepted == S_OK ? stored : 0;
    } else if (buffer_) {
      ULONG stored = 0;
      buffer_->Write(data, count, &stored);
      bufferedSize_ += stored;
      if (written) *written = stored;
    } else if (written) {
      *written = 0;
    }
    return S_OK;
  } catch (...) {
    if (written) *written = 0;
    return E_OUTOFMEMORY;
  }
}

TContentProviderStream::~TContentProviderStream() { provider_->EndOfData(); }

HRESULT TContentProviderStream::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IStream || iid == IID_ISequentialStream) {
    *object = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG TContentProviderStream::AddRef() { return ++refCount_; }

ULONG TContentProviderStream::Release() {
  ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

HRESULT TContentProviderStream::Write(const void* data, ULONG count, ULONG* written) {
  return provider_->Write(data, count, written);
}

HRESULT TContentProviderStream::Read(void*, ULONG, ULONG*) { return E_NOTIMPL; }
HRESULT TContentProviderStream::Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) { return E_NOTIMPL; }
HRESULT TContentProviderStream::SetSize(ULARGE_INTEGER) { return E_NOTIMPL; }
HRESULT TContentProviderStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
  return E_NOTIMPL;
}
HRESULT TContentProviderStream::Commit(DWORD) { return E_NOTIMPL; }
HRESULT TContentProviderStream::Revert() { return E_NOTIMPL; }
HRESULT TContentProviderStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT TContentProviderStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT TContentProviderStream::Stat(STATSTG*, DWORD) { return E_NOTIMPL; }

HRESULT TContentProviderStream::Clone(IStream** clone) {
  if (clone) *clone = nullptr;
  return E_NOTIMPL;
}

}  // namespace dm
