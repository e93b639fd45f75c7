#include "ui/com.h"

#include <cstdio>

namespace dm {

Bstr::Bstr(std::wstring_view text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
  if (!b_) throw ComError(E_OUTOFMEMORY, L"Out of memory");
}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
  if (this != &other) {
    Reset();
    b_ = std::exchange(other.b_, nullptr);
  }
  return *this;
}

void Bstr::Reset() noexcept {
  if (BSTR b = std::exchange(b_, nullptr)) SysFreeString(b);
}

std::wstring Variant::AsText() const {
  if (v_.vt == VT_BSTR) return v_.bstrVal ? std::wstring(v_.bstrVal, SysStringLen(v_.bstrVal)) : std::wstring();
  VARIANT converted;
  VariantInit(&converted);
  std::wstring text;
  if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&v_), 0, VT_BSTR)) && converted.bstrVal)
    text.assign(converted.bstrVal, SysStringLen(converted.bstrVal));
  VariantClear(&converted);
  return text;
}

std::wstring SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", length);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return text;
}

void ThrowIfFailed(HRESULT hr, std::wstring_view what) {
  if (SUCCEEDED(hr)) return;
  wchar_t code[16];
  std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  std::wstring message(what);
  message += L" failed (";
  message += code;
  message += L")";
  std::wstring system = SystemMessage(static_cast<DWORD>(hr));
  if (!system.empty()) message += L": " + system;
  throw ComError(hr, message);
}

}  // namespace dm
