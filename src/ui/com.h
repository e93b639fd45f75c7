#pragma once
// RAII for COM: interface pointers, BSTRs, VARIANTs, and HRESULT failures as errors.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

#include "ui/error.h"

namespace dm {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to p (the caller keeps its own).
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Adopts a reference the caller already owns.
  static ComPtr Attach(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  T* Detach() noexcept { return std::exchange(p_, nullptr); }
  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // For out-parameters: releases what is held and hands out the slot.
  T** Put() noexcept {
    Reset();
    return &p_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  template <class U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> result;
    if (p_) p_->QueryInterface(iid, result.PutVoid());
    return result;
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::wstring_view text);
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept;
  ~Bstr() { Reset(); }

  void Reset() noexcept;
  BSTR* Put() noexcept {
    Reset();
    return &b_;
  }
  BSTR Get() const noexcept { return b_; }
  BSTR Detach() noexcept { return std::exchange(b_, nullptr); }
  std::wstring Str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

 private:
  BSTR b_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&v_); }
  VARIANT* Get() noexcept { return &v_; }
  const VARIANT* Get() const noexcept { return &v_; }
  // The value as text (VariantChangeType to VT_BSTR); empty when it has none.
  std::wstring AsText() const;

 private:
  VARIANT v_;
};

// A failed COM call. The message names the operation and carries the object's own description where
// it gave one.
class ComError : public Error {
 public:
  ComError(HRESULT code, std::wstring message) : Error(std::move(message)), code_(code) {}
  HRESULT Code() const noexcept { return code_; }

 private:
  HRESULT code_;
};

// Throws ComError when hr is a failure: "<what> failed (0x80004005): <system text>".
void ThrowIfFailed(HRESULT hr, std::wstring_view what);

// The system's text for an error code, without the trailing line break; empty when it has none.
std::wstring SystemMessage(DWORD code);

}  // namespace dm
