#pragma once
// What a content source registered with the content manager offers, and the two process-wide handlers
// that may answer ordinary addresses.
#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/com.h"

namespace dm {

class IContentSource {
 public:
  virtual ~IContentSource() = default;
  // Files of the source lie under this folder; empty means the process's current directory.
  virtual std::wstring GetBaseFolder() = 0;
  // Fills the buffer with the content of the path; leaving it empty declines.
  virtual void ProvideContent(const std::wstring& path, std::vector<uint8_t>& buffer) = 0;
  // True when the source takes the request: it may then keep the stream, write the content into it now
  // or later, and release it when done.
  virtual bool ProvideContentAsync(const std::wstring& path, const ComPtr<IStream>& stream) = 0;
};

// Same contracts as the source's operations, for an address that is not a content address.
using ProvideContentAsyncHandler = std::function<bool(const std::wstring& address, const ComPtr<IStream>& stream)>;
using ProvideContentHandler = std::function<void(const std::wstring& address, std::vector<uint8_t>& buffer)>;

// Unassigned in this program; the library clears them at start-up.
extern ProvideContentAsyncHandler GlobalProvideContentAsync;
extern ProvideContentHandler GlobalProvideContent;
void ClearContentHandlers();

}  // namespace dm
