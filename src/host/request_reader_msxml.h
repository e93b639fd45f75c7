#pragma once
// Unwraps movie requests with MSXML 6 (the main window's xmlDoc).
#include <windows.h>
#include <msxml2.h>

#include "host/request_dispatcher.h"
#include "ui/com.h"

namespace dm {

class MsxmlRequestReader final : public RequestReader {
 public:
  // Follows invoke > first child > first child > its text; the command is the first node of that text
  // parsed as XML, which must be an element. Throws dm::Error (or dm::ComError) for anything else.
  MovieCommand Read(const std::wstring& requestText) override;

 private:
  // The document is created at the first request, so a missing MSXML 6 costs only the requests.
  IXMLDOMDocument2* Document();
  void Load(const std::wstring& text);

  ComPtr<IXMLDOMDocument2> xmlDoc_;
};

}  // namespace dm
