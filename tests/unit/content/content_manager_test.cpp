#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "content_fakes.h"
#include "flash/content/content_manager.h"
#include "flash/content/content_provider.h"
#include "flash/content/my_moniker.h"

namespace dm::test {
namespace {

const std::wstring Marker(ContentUrlMarker.begin(), ContentUrlMarker.end());

std::wstring ContentAddressOf(int id, const std::wstring& path) {
  return L"http://host/" + Marker + L"/" + std::to_wstring(id) + L"/" + path;
}

class ContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeUrlmon::Reset();
    ClearContentHandlers();
    LiveFakes = 0;
  }
  void TearDown() override {
    ClearContentHandlers();
    FakeUrlmon::Reset();
    EXPECT_EQ(LiveFakes, 0) << "a fake COM object was leaked or released too often";
  }

  // Binds through a moniker made by the manager, as the runtime would: the consumer's callback is the
  // one registered in the bind context.
  HRESULT Bind(TContentManager& manager, const std::wstring& address, const ComPtr<RecordingCallback>& consumer) {
    if (FakeUrlmon::registered) FakeUrlmon::registered->Release();
    FakeUrlmon::registered = consumer.Get();
    consumer->AddRef();
    ComPtr<IMoniker> moniker;
    EXPECT_EQ(manager.CreateURLMoniker(nullptr, address.c_str(), moniker.Put()), S_OK);
    ComPtr<IUnknown> object;
    HRESULT result = moniker->BindToStorage(nullptr, nullptr, IID_IStream, object.PutVoid());
    EXPECT_FALSE(object) << "the out object is set only by a genuine moniker";
    EXPECT_EQ(FakeUrlmon::registered, consumer.Get()) << "the consumer's callback must be put back";
    return result;
  }

  UrlMonikerFunctions urlmon_ = FakeUrlmon::Functions();
  TContentManager manager_{urlmon_};
};

TEST_F(ContentTest, DataWrittenBeforeTheCallbackArrivesAsOneNotification) {
  for (bool finishedFirst : {true, false}) {
    SCOPED_TRACE(finishedFirst ? "writer finished first" : "writer still open");
    auto consumer = NewCallback();
    ComPtr<IStream> stream;
    ComPtr<IContentProvider> provider = TContentProvider::Create(stream);
    EXPECT_EQ(provider->IsEmpty(), 1);
    ULONG written = 0;
    EXPECT_EQ(WriteText(*stream.Get(), "abc", &written), S_OK);
    EXPECT_EQ(written, 3u);
    WriteText(*stream.Get(), "defg");
    EXPECT_EQ(provider->IsEmpty(), 0);
    if (finishedFirst) stream.Reset();
    EXPECT_EQ(provider->SetBindStatusCallback(consumer.Get()), S_OK);

    ASSERT_EQ(consumer->data.size(), 1u);
    const DataEvent& event = consumer->data[0];
    EXPECT_EQ(event.size, 7u);
    EXPECT_EQ(event.bytes, "abcdefg");
    EXPECT_EQ(event.flags, DWORD{BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION});
    EXPECT_EQ(event.format, 0);
    EXPECT_EQ(event.aspect, DWORD{DVASPECT_CONTENT});
    EXPECT_EQ(event.index, -1);
    EXPECT_EQ(event.formatMedium, DWORD{TYMED_ISTREAM});
    EXPECT_EQ(event.medium, DWORD{TYMED_ISTREAM});
    if (finishedFirst) {
      EXPECT_EQ(consumer->order, (std::vector<std::string>{"start", "data", "stop"}));
    } else {
      EXPECT_EQ(consumer->order, (std::vector<std::string>{"start", "data"}));
      stream.Reset();
      EXPECT_EQ(consumer->order, (std::vector<std::string>{"start", "data", "stop"}));
    }
    EXPECT_EQ(consumer->stopResult, S_OK);
  }
}

TEST_F(ContentTest, WritesAfterTheCallbackArriveOneByOneAndARefusedWriteReportsNothingWritten) {
  auto consumer = NewCallback();
  ComPtr<IStream> stream;
  ComPtr<IContentProvider> provider = TContentProvider::Create(stream);
  provider->SetBindStatusCallback(consumer.Get());
  EXPECT_TRUE(consumer->order.empty());

  ULONG written = 99;
  EXPECT_EQ(WriteText(*stream.Get(), "ab", &written), S_OK);
  EXPECT_EQ(written, 2u);
  consumer->dataAnswer = E_ABORT;
  EXPECT_EQ(WriteText(*stream.Get(), "cde", &written), S_OK);
  EXPECT_EQ(written, 0u);
  consumer->dataAnswer = S_OK;
  WriteText(*stream.Get(), "f");
  ASSERT_EQ(consumer->data.size(), 3u);
  EXPECT_EQ(consumer->data[0].size, 2u);
  EXPECT_EQ(consumer->data[1].bytes, "cde");
  EXPECT_EQ(consumer->data[2].size, 1u);

  // Only the last holder of the stream ends the data.
  ComPtr<IStream> secondHolder = stream;
  stream.Reset();
  EXPECT_EQ(consumer->stops, 0);
  secondHolder.Reset();
  provider->EndOfData();
  EXPECT_EQ(consumer->order, (std::vector<std::string>{"start", "data", "data", "data", "stop"}));
}

TEST_F(ContentTest, ProviderWithNothingWrittenSendsNothing) {
  auto consumer = NewCallback();
  ComPtr<IStream> stream;
  ComPtr<IContentProvider> provider = TContentProvider::Create(stream);
  provider->SetBindStatusCallback(consumer.Get());
  stream.Reset();
  provider.Reset();
  EXPECT_TRUE(consumer->order.empty());
}

TEST_F(ContentTest, ProviderStreamIsWriteOnly) {
  ComPtr<IStream> stream;
  ComPtr<IContentProvider> provider = TContentProvider::Create(stream);
  char byte;
  ULONG count = 0;
  EXPECT_EQ(stream->Read(&byte, 1, &count), E_NOTIMPL);
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), E_NOTIMPL);
  IStream* clone = reinterpret_cast<IStream*>(1);
  EXPECT_EQ(stream->Clone(&clone), E_NOTIMPL);
  EXPECT_EQ(clone, nullptr);
  EXPECT_FALSE(stream.As<IContentProvider>(IID_IContentProvider));
  EXPECT_TRUE(provider.As<IContentProvider>(IID_IContentProvider));
}

TEST_F(ContentTest, SourceAnswersAContentAddress) {
  struct Case {
    const char* name;
    std::function<void(ScriptedSource&, ComPtr<IStream>&)> script;
  };
  // The stream a source keeps, to write into after the bind returned.
  ComPtr<IStream> kept;
  const Case cases[] = {
      {"writes at once and lets go",
       [](ScriptedSource& s, ComPtr<IStream>&) {
         s.onAsync = [](auto&, const ComPtr<IStream>& stream) {
           WriteText(*stream.Get(), "movie");
           return true;
         };
       }},
      {"keeps the stream and writes later",
       [](ScriptedSource& s, ComPtr<IStream>& keep) {
         s.onAsync = [&keep](auto&, const ComPtr<IStream>& stream) {
           keep = stream;
           return true;
         };
       }},
      {"fills the buffer", [](ScriptedSource& s, ComPtr<IStream>&) { s.syncContent = "movie"; }},
      {"writes but declines",
       [](ScriptedSource& s, ComPtr<IStream>&) {
         s.onAsync = [](auto&, const ComPtr<IStream>& stream) {
           WriteText(*stream.Get(), "movie");
           return false;
         };
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TContentManager manager(urlmon_);
    auto source = std::make_shared<ScriptedSource>();
    c.script(*source, kept);
    manager.AddContentSource(7, source);
    auto consumer = NewCallback();
    EXPECT_EQ(Bind(manager, ContentAddressOf(7, L"movies/intro.swf"), consumer), MK_S_ASYNCHRONOUS);
    if (kept) {
      EXPECT_EQ(consumer->stops, 0);
      WriteText(*kept.Get(), "mov");
      WriteText(*kept.Get(), "ie");
      kept.Reset();
    }
    EXPECT_EQ(consumer->AllBytes(), "movie");
    EXPECT_EQ(consumer->starts, 1);
    EXPECT_EQ(consumer->stops, 1);
    EXPECT_EQ(consumer->order.back(), "stop");
    EXPECT_EQ(source->askedPaths.front(), L"async:movies/intro.swf");
    EXPECT_EQ(FakeGenuineMoniker::binds, 0);
  }
}

TEST_F(ContentTest, SourceThatSuppliesNothingFallsBackToTheGenuineMonikerUnderItsBaseFolder) {
  auto source = std::make_shared<ScriptedSource>();
  source->baseFolder = L"C:\\content";
  manager_.AddContentSource(7, source);
  for (HRESULT genuine : {MK_S_ASYNCHRONOUS, S_OK, E_FAIL}) {
    SCOPED_TRACE(genuine);
    FakeUrlmon::createdUrls.clear();
    FakeGenuineMoniker::bindAnswer = genuine;
    auto consumer = NewCallback();
    HRESULT result = Bind(manager_, ContentAddressOf(7, L"movies/intro.swf"), consumer);
    EXPECT_EQ(result, genuine == E_FAIL ? MK_E_NOSTORAGE : MK_S_ASYNCHRONOUS);
    // The moniker's own genuine twin, then the one for the source's file.
    ASSERT_EQ(FakeUrlmon::createdUrls.size(), 2u);
    EXPECT_EQ(FakeUrlmon::createdUrls[1], L"C:\\content/movies/intro.swf");
    EXPECT_TRUE(consumer->order.empty());
  }
  EXPECT_EQ(source->askedPaths.back(), L"sync:movies/intro.swf");
}

TEST_F(ContentTest, UnknownSourceFailsAndNothingAtAllGivesNoStorage) {
  manager_.AddContentSource(7, std::make_shared<ScriptedSource>());
  auto consumer = NewCallback();
  EXPECT_EQ(Bind(manager_, ContentAddressOf(8, L"movies/intro.swf"), consumer), E_FAIL);
  EXPECT_EQ(FakeUrlmon::createdUrls.size(), 1u) << "no genuine moniker for an unknown source";

  FakeUrlmon::failCreate = true;
  EXPECT_EQ(Bind(manager_, L"http://host/movie.swf", consumer), MK_E_NOSTORAGE);
  EXPECT_TRUE(consumer->order.empty());
}

TEST_F(ContentTest, OrdinaryAddressGoesToTheHandlersThenTheGenuineMoniker) {
  std::vector<std::wstring> asked;
  GlobalProvideContentAsync = [&](const std::wstring& address, const ComPtr<IStream>& stream) {
    asked.push_back(L"async:" + address);
    if (address != L"http://host/async.swf") return false;
    WriteText(*stream.Get(), "async");
    return true;
  };
  GlobalProvideContent = [&](const std::wstring& address, std::vector<uint8_t>& buffer) {
    asked.push_back(L"sync:" + address);
    if (address == L"http://host/sync.swf") buffer.assign({'s', 'y', 'n', 'c'});
  };
  auto asyncConsumer = NewCallback();
  EXPECT_EQ(Bind(manager_, L"http://host/async.swf", asyncConsumer), MK_S_ASYNCHRONOUS);
  EXPECT_EQ(asyncConsumer->AllBytes(), "async");
  auto syncConsumer = NewCallback();
  EXPECT_EQ(Bind(manager_, L"http://host/sync.swf", syncConsumer), MK_S_ASYNCHRONOUS);
  EXPECT_EQ(syncConsumer->AllBytes(), "sync");
  EXPECT_EQ(syncConsumer->order, (std::vector<std::string>{"start", "data", "stop"}));
  EXPECT_EQ(FakeGenuineMoniker::binds, 0);

  // An asynchronous genuine binding has started: that is success, not "no storage".
  FakeGenuineMoniker::bindAnswer = MK_S_ASYNCHRONOUS;
  auto genuineConsumer = NewCallback();
  EXPECT_EQ(Bind(manager_, L"http://host/other.swf", genuineConsumer), MK_S_ASYNCHRONOUS);
  EXPECT_EQ(FakeUrlmon::createdUrls.back(), L"http://host/other.swf");
  EXPECT_EQ(FakeGenuineMoniker::binds, 1);
  EXPECT_EQ(asked, (std::vector<std::wstring>{L"async:http://host/async.swf", L"async:http://host/sync.swf",
                                             L"sync:http://host/sync.swf", L"async:http://host/other.swf",
                                             L"sync:http://host/other.swf"}));
}

TEST_F(ContentTest, PendingContentIsUsedOnceForTheSameContent) {
  ComPtr<IStream> stream;
  ComPtr<IContentProvider> provider = TContentProvider::Create(stream);
  WriteText(*stream.Get(), "prepared");
  stream.Reset();
  manager_.AddPendingContent(L"C:\\elsewhere\\" + Marker + L"\\3\\intro.swf", provider);
  provider.Reset();

  auto consumer = NewCallback();
  EXPECT_EQ(Bind(manager_, ContentAddressOf(3, L"intro.swf"), consumer), MK_S_ASYNCHRONOUS);
  EXPECT_EQ(consumer->AllBytes(), "prepared");
  EXPECT_EQ(consumer->order, (std::vector<std::string>{"start", "data", "stop"}));
  EXPECT_FALSE(manager_.TakePendingContent(ContentAddressOf(3, L"intro.swf")));
  EXPECT_EQ(Bind(manager_, ContentAddressOf(3, L"intro.swf"), consumer), E_FAIL);
}

TEST_F(ContentTest, MonikerFacesAndPassThroughToTheGenuineMoniker) {
  ComPtr<IMoniker> moniker;
  ASSERT_EQ(manager_.CreateURLMoniker(nullptr, L"http://host/a.swf", moniker.Put()), S_OK);
  ComPtr<IUnknown> unknown = moniker.As<IUnknown>(IID_IUnknown);
  EXPECT_EQ(static_cast<void*>(unknown.Get()), static_cast<void*>(moniker.Get()));
  EXPECT_EQ(static_cast<void*>(moniker.As<IPersistStream>(IID_IPersistStream).Get()),
            static_cast<void*>(moniker.Get()));
  auto callbackFace = moniker.As<IBindStatusCallback>(IID_IBindStatusCallback);
  auto bindingFace = moniker.As<IBinding>(IID_IBinding);
  ASSERT_TRUE(callbackFace && bindingFace);
  EXPECT_EQ(callbackFace->OnStartBinding(0, nullptr), E_FAIL);
  EXPECT_EQ(bindingFace->Abort(), E_FAIL);
  EXPECT_FALSE(moniker.As<IStream>(IID_IStream));

  LPOLESTR name = nullptr;
  ASSERT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name), S_OK);
  EXPECT_STREQ(name, L"http://host/a.swf");
  CoTaskMemFree(name);
  IMoniker* inverse = reinterpret_cast<IMoniker*>(1);
  EXPECT_EQ(moniker->Inverse(&inverse), E_NOTIMPL);
  EXPECT_EQ(inverse, nullptr);

  // Without a genuine twin every pass-through fails.
  FakeUrlmon::failCreate = true;
  ComPtr<IMoniker> orphan;
  manager_.CreateURLMoniker(nullptr, L"http://host/b.swf", orphan.Put());
  DWORD hash = 0;
  EXPECT_EQ(orphan->Hash(&hash), E_FAIL);
  IEnumMoniker* enumerator = reinterpret_cast<IEnumMoniker*>(1);
  EXPECT_EQ(orphan->Enum(TRUE, &enumerator), E_FAIL);
  EXPECT_EQ(enumerator, nullptr);
}

TEST_F(ContentTest, UrlmonFunctionsBoundAfterTheManagerAreUsed) {
  CreateURLMonikerFunction create = nullptr;
  RegisterBindStatusCallbackFunction registerCallback = nullptr;
  TContentManager manager({create, registerCallback});
  auto consumer = NewCallback();
  EXPECT_EQ(Bind(manager, L"http://host/a.swf", consumer), MK_E_NOSTORAGE);
  EXPECT_TRUE(FakeUrlmon::createdUrls.empty());

  create = FakeUrlmon::create;
  registerCallback = FakeUrlmon::registerCallback;
  FakeGenuineMoniker::bindAnswer = S_OK;
  EXPECT_EQ(Bind(manager, L"http://host/a.swf", consumer), MK_S_ASYNCHRONOUS);
  EXPECT_EQ(FakeUrlmon::createdUrls.size(), 2u);
}

TEST_F(ContentTest, SourceExceptionDoesNotReachTheRuntime) {
  auto source = std::make_shared<ScriptedSource>();
  source->onAsync = [](auto&, auto&) -> bool { throw std::runtime_error("broken source"); };
  manager_.AddContentSource(1, source);
  auto consumer = NewCallback();
  EXPECT_EQ(Bind(manager_, ContentAddressOf(1, L"x"), consumer), E_FAIL);
}

class ContentFileTest : public ContentTest {
 protected:
  void SetUp() override {
    ContentTest::SetUp();
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    previous_ = previous;
    folder_ = std::filesystem::temp_directory_path() / ("content-test-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder_ / "movies");
    std::ofstream(folder_ / "movies" / "intro.swf", std::ios::binary) << "from the source";
    std::ofstream(folder_ / "plain.txt", std::ios::binary) << "plain";
    SetCurrentDirectoryW(folder_.c_str());
  }
  void TearDown() override {
    SetCurrentDirectoryW(previous_.c_str());
    std::filesystem::remove_all(folder_);
    ContentTest::TearDown();
  }

  std::string Open(const std::string& name) {
    HANDLE file = manager_.CreateFile(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<none>";
    char text[64];
    DWORD read = 0;
    ReadFile(file, text, sizeof text, &read, nullptr);
    CloseHandle(file);
    return std::string(text, read);
  }

  std::filesystem::path folder_;
  std::wstring previous_;
};

TEST_F(ContentFileTest, ContentAddressOpensTheSourceFileElseTheNameUnchanged) {
  manager_.AddContentSource(7, std::make_shared<ScriptedSource>());
  const std::string marker(ContentUrlMarker.begin(), ContentUrlMarker.end());
  EXPECT_EQ(Open("http://host/" + marker + "/7/movies/intro.swf"), "from the source");
  EXPECT_EQ(Open("x:\\" + marker + "\\7\\movies\\intro.swf"), "from the source");
  EXPECT_EQ(Open("http://host/" + marker + "/8/movies/intro.swf"), "<none>");
  EXPECT_EQ(Open("http://host/" + marker + "/7/movies/absent.swf"), "<none>");
  EXPECT_EQ(Open("plain.txt"), "plain");
}

}  // namespace
}  // namespace dm::test
