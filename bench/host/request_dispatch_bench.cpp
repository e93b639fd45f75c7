// Time from the FlashCall event to the end of the dispatch of requests that do nothing, beside the
// floor measured in the same run: an empty event handler and one MSXML parse of the same request text.
// Prints its figures; run it under Wine (the build's wine-run).
#include <windows.h>
#include <msxml2.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/request_reader_msxml.h"
#include "ui/com.h"

namespace {

class NoActions final : public dm::RequestActions {
 public:
  void SavePlayerFile(const std::wstring&, const std::wstring&) override {}
  void SignFiles() override {}
  void DeletePlayerFile(const std::wstring&) override {}
  void VerifyPlayerFiles() override {}
  void ToggleScreenMode(const std::wstring&) override {}
  void AllowClose() override {}
  void HideMainWindow() override {}
  void CloseMainWindow() override {}
};

// The least an event sink can do: take the request text and return.
class EmptySink {
 public:
  virtual ~EmptySink() = default;
  virtual void OnFlashCall(const std::wstring& request) noexcept { received_ += request.size(); }

 private:
  std::size_t received_ = 0;
};

std::wstring Request(const std::wstring& escapedArgument) {
  return L"<invoke name=\"play\" returntype=\"xml\"><arguments><string>" + escapedArgument +
         L"</string></arguments></invoke>";
}

// Median nanoseconds per call over several batches.
template <class Call>
double NanosecondsPerCall(Call&& call, int callsPerBatch = 2000, int batches = 7) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> perCall;
  for (int b = 0; b < batches; ++b) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < callsPerBatch; ++i) call();
    QueryPerformanceCounter(&end);
    perCall.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1e9 / frequency.QuadPart / callsPerBatch);
  }
  std::sort(perCall.begin(), perCall.end());
  return perCall[perCall.size() / 2];
}

// The floor for any dispatcher over this DOM: parsing the request text once.
class ParseOnly {
 public:
  ParseOnly() {
    CLSID documentClass;
    dm::ThrowIfFailed(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &documentClass), L"Finding MSXML 6");
    dm::ThrowIfFailed(CoCreateInstance(documentClass, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                       document_.PutVoid()),
                      L"Creating the XML document");
    document_->put_async(VARIANT_FALSE);
  }
  void Parse(const std::wstring& text) {
    dm::Bstr xml(text);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document_->loadXML(xml.Get(), &loaded);
  }

 private:
  dm::ComPtr<IXMLDOMDocument> document_;
};

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int status = 0;
  try {
    NoActions actions;
    dm::RequestDispatcher dispatcher(std::make_unique<dm::MsxmlRequestReader>(), actions);
    ParseOnly parser;
    EmptySink sinkObject;
    EmptySink* volatile emptySink = &sinkObject;  // a real virtual call, not inlined away

    struct Case {
      const char* name;
      std::wstring request;
    };
    const Case cases[] = {
        {"stopPlay", Request(L"&lt;stopPlay/&gt;")},
        {"playSound fileName", Request(L"&lt;playSound fileName=&quot;sounds/click.mp3&quot;/&gt;")},
        {"music level", Request(L"&lt;music level=&quot;80&quot;/&gt;")},
    };
    std::printf("%-22s %14s %14s %14s %12s\n", "request (no effect)", "dispatch ns", "empty sink ns", "1 parse ns",
                "dispatch/parse");
    for (const Case& c : cases) {
      double empty = NanosecondsPerCall([&] { emptySink->OnFlashCall(c.request); });
      double parse = NanosecondsPerCall([&] { parser.Parse(c.request); });
      double dispatch = NanosecondsPerCall([&] { dispatcher.OnFlashCall(c.request); });
      std::printf("%-22s %14.0f %14.1f %14.0f %12.2f\n", c.name, dispatch, empty, parse, dispatch / parse);
    }
  } catch (const dm::Error& error) {
    std::printf("failed: %s\n", error.what());
    status = 1;
  }
  CoUninitialize();
  return status;
}
