#include "data/player_data.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <optional>

#include "temp_folder.h"
#include "ui/com.h"

namespace dm {
namespace {

using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

constexpr const char* kUnsigned = "<data x=\"1\">\r\n</data>\r\n";
constexpr const char* kSigned = "3B56FF9224E7FFF8067D75B82D2C703A\r\n<data x=\"1\">\r\n</data>\r\n";
constexpr const char* kMarker = "<data corrupted=\"true\"></data>\r\n";

std::wstring CannotCreate(const std::wstring& path, DWORD error) {
  return L"Cannot create file \"" + path + L"\". " + SystemMessage(error);
}

template <class F>
std::wstring ErrorText(F&& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.Message();
  }
  return L"(no error)";
}

class PlayerDataTest : public testing::Test {
 protected:
  void SetUp() override {
    data.emplace(nullptr, temp.Path());
    data->PreparePlayerDataFolder();
    folder = data->PlayerDataFolder();
  }
  void TearDown() override { data.reset(); }

  std::wstring Path(const std::wstring& name) const { return folder + name; }
  std::vector<std::wstring> Listing() {
    std::vector<std::wstring> names;
    for (const auto& entry : SaveFolder(folder).ListSaveFiles()) names.push_back(entry.path.substr(folder.size()));
    return names;
  }

  test::TempFolder temp;
  std::optional<PlayerData> data;
  std::wstring folder;
};

TEST_F(PlayerDataTest, PreparesBothFolderLevelsAndRemovesInterruptedWrites) {
  EXPECT_EQ(folder, temp.Path() + L"\\Wendrake\\Driftmarrow\\");
  WriteBytes(Path(L"players"), kUnsigned);
  CreateDirectoryW(Path(L".pending").c_str(), nullptr);
  WriteBytes(Path(L".pending\\77-3.tmp"), "half a fi");

  PlayerData restarted(nullptr, temp.Path() + L"\\");  // a trailing "\" is not doubled
  restarted.PreparePlayerDataFolder();
  EXPECT_EQ(restarted.PlayerDataFolder(), folder);
  EXPECT_FALSE(Exists(Path(L".pending")));
  EXPECT_EQ(ReadBytes(Path(L"players")), kUnsigned);
}

TEST_F(PlayerDataTest, ShellFolderLookup) {
  const std::wstring appData = data->GetSpecialFolderPath(CSIDL_APPDATA);
  EXPECT_FALSE(appData.empty());
  EXPECT_NE(GetFileAttributesW(appData.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(data->GetSpecialFolderPath(0x7F), L"");
}

TEST_F(PlayerDataTest, PlayersFileIsCreatedEmptyButNeverTruncated) {
  data->EnsurePlayersFile();
  EXPECT_TRUE(Exists(Path(L"players")));
  EXPECT_EQ(ReadBytes(Path(L"players")), "");
  WriteBytes(Path(L"players"), kUnsigned);
  data->EnsurePlayersFile();
  EXPECT_EQ(ReadBytes(Path(L"players")), kUnsigned);
}

TEST_F(PlayerDataTest, SaveWritesAnsiLinesEachEndedByCrLf) {
  // U+0100 is not in the ANSI code page and has a look-alike there; the default character is used instead.
  data->SavePlayerFile(L"<data>\n\u20AC\u00E9\u0100\r</data>", L"save1");
  EXPECT_EQ(ReadBytes(Path(L"save1")), "<data>\r\n\x80\xE9?\r\n</data>\r\n");
  data->SavePlayerFile(L"", L"empty");
  EXPECT_EQ(ReadBytes(Path(L"empty")), "");
  EXPECT_FALSE(Exists(Path(L".pending")) && !RemoveDirectoryW(Path(L".pending").c_str()))
      << "nothing may stay behind in the pending folder";
}

TEST_F(PlayerDataTest, SubFolderSavesAreNeitherSignedNorChecked) {
  data->SavePlayerFile(L"<data x=\"1\">\n</data>", L"profiles/anna");
  EXPECT_EQ(ReadBytes(Path(L"profiles\\anna")), kUnsigned);
  WriteBytes(Path(L"profiles\\bad"), "");
  data->signFiles();
  data->VerifyPlayerFiles();
  EXPECT_EQ(ReadBytes(Path(L"profiles\\anna")), kUnsigned);
  EXPECT_EQ(ReadBytes(Path(L"profiles\\bad")), "");
  EXPECT_TRUE(Listing().empty());

  // Only one missing level is created.
  EXPECT_EQ(ErrorText([&] { data->SavePlayerFile(L"x", L"a/b/c"); }), CannotCreate(Path(L"a\\b\\c"), ERROR_PATH_NOT_FOUND));
}

TEST_F(PlayerDataTest, SignThenCheckOnDisk) {
  data->SavePlayerFile(L"<data x=\"1\">\n</data>", L"save");
  WriteBytes(Path(L"utf16"), std::string("\xFF\xFE<\0d\0a\0t\0a\0>\0\r\0\n\0", 18));
  data->EnsurePlayersFile();
  EXPECT_FALSE(data->FilesSigned());
  data->signFiles();
  EXPECT_TRUE(data->FilesSigned());
  EXPECT_EQ(ReadBytes(Path(L"save")), kSigned);
  EXPECT_EQ(ReadBytes(Path(L"players")), "E7248FCE8990089E402B00F89DC8D14D\r\n");

  std::string edited = kSigned;
  edited[34 + 14] = '(';  // beyond the signed range
  WriteBytes(Path(L"beyond"), edited);
  edited[34 + 2] = 'A';  // within it
  WriteBytes(Path(L"within"), edited);
  data->VerifyPlayerFiles();
  EXPECT_EQ(ReadBytes(Path(L"save")), kUnsigned);
  EXPECT_EQ(ReadBytes(Path(L"players")), "");
  EXPECT_EQ(ReadBytes(Path(L"utf16")), "<data>\r\n");
  EXPECT_EQ(ReadBytes(Path(L"beyond")), std::string(kSigned).substr(34).replace(14, 1, "("));
  EXPECT_EQ(ReadBytes(Path(L"within")), kMarker);
}

TEST_F(PlayerDataTest, NamesLeadingOutsideTheFolderChangeNothing) {
  const std::wstring outside = temp.Path() + L"\\Wendrake\\victim";
  WriteBytes(outside, "keep");
  WriteBytes(Path(L"players"), kUnsigned);
  const std::wstring names[] = {L"../victim", L"..\\victim", L"profiles/../../victim", outside,
                                L"players:stream", L"NUL", L"", L"a//b", L".pending/x"};
  for (const std::wstring& name : names) {
    EXPECT_EQ(ErrorText([&] { data->SavePlayerFile(L"<data>gone</data>", name); }),
              CannotCreate(folder + name, ERROR_INVALID_NAME))
        << name;
    data->DeletePlayerFile(name);
  }
  EXPECT_EQ(ReadBytes(outside), "keep");
  EXPECT_EQ(ReadBytes(Path(L"players")), kUnsigned);
  EXPECT_EQ(Listing(), std::vector<std::wstring>{L"players"});
}

TEST_F(PlayerDataTest, DeleteRemovesOnlyTheNamedFile) {
  WriteBytes(Path(L"a"), kUnsigned);
  WriteBytes(Path(L"b"), kUnsigned);
  data->DeletePlayerFile(L"a");
  data->DeletePlayerFile(L"missing");
  EXPECT_FALSE(Exists(Path(L"a")));
  EXPECT_EQ(Listing(), std::vector<std::wstring>{L"b"});
}

// Read-only, hidden and system files are listed, but cannot be rewritten: a save naming one fails, and a
// pass stops at one it has to rewrite, with the files listed before it done and those after it untouched.
TEST_F(PlayerDataTest, ReadOnlyHiddenAndSystemFilesFailWhereTheyMustBeRewritten) {
  for (DWORD attribute : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    SCOPED_TRACE(attribute);
    for (const wchar_t* name : {L"a", L"b", L"c", L"d", L"locked"}) WriteBytes(Path(name), kSigned);
    SetFileAttributesW(Path(L"locked").c_str(), attribute);
    const std::wstring failure = CannotCreate(Path(L"locked"), ERROR_ACCESS_DENIED);

    EXPECT_EQ(ErrorText([&] { data->SavePlayerFile(L"<data/>", L"locked"); }), failure);
    EXPECT_EQ(ErrorText([&] { data->VerifyPlayerFiles(); }), failure);
    const std::vector<std::wstring> order = Listing();
    ASSERT_EQ(order.size(), 5u);
    bool before = true;
    for (const std::wstring& name : order) {
      if (name == L"locked") {
        before = false;
        EXPECT_EQ(ReadBytes(Path(name)), kSigned);
      } else {
        EXPECT_EQ(ReadBytes(Path(name)), before ? kUnsigned : kSigned) << name;
      }
    }
    // Now "locked" is the only signed file; signing must rewrite every file and stops at it.
    EXPECT_EQ(ErrorText([&] { data->signFiles(); }), failure);
    before = true;
    for (const std::wstring& name : order) {
      if (name == L"locked") before = false;
      else EXPECT_EQ(ReadBytes(Path(name)), before ? kSigned : kUnsigned) << name;
    }
    // An unsigned locked file does not stop the check, which never rewrites unsigned files.
    SetFileAttributesW(Path(L"locked").c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(Path(L"locked"), kUnsigned);
    SetFileAttributesW(Path(L"locked").c_str(), attribute);
    EXPECT_NO_THROW(data->VerifyPlayerFiles());
    SetFileAttributesW(Path(L"locked").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(PlayerDataTest, FilesHeldOpenByAnotherProgramGiveTheFileErrors) {
  WriteBytes(Path(L"held"), kSigned);
  HANDLE held = CreateFileW(Path(L"held").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::wstring openError = ErrorText([&] { data->VerifyPlayerFiles(); });
  const std::wstring createError = ErrorText([&] { data->SavePlayerFile(L"<data/>", L"held"); });
  CloseHandle(held);
  EXPECT_EQ(openError, L"Cannot open file \"" + Path(L"held") + L"\". " + SystemMessage(ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(createError.starts_with(L"Cannot create file \"" + Path(L"held") + L"\". ")) << createError;
  EXPECT_EQ(ReadBytes(Path(L"held")), kSigned);
}

}  // namespace
}  // namespace dm
