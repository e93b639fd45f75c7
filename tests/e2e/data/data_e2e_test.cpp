// The player's save files through the real host and the stand-in movie: saving, deleting, signing and
// checking, as the movie and the files on disk see them.
#include <gtest/gtest.h>

#include <fstream>

#include "data/signature.h"
#include "tests/e2e/harness/host_process.h"

namespace dm::e2e {
namespace {

using namespace std::chrono_literals;

std::u16string Wide(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// ASCII line text with its signature line in front.
std::string Signed(const std::string& lines) {
  const std::u16string signature = FileSignature(Wide(lines));
  return std::string(signature.begin(), signature.end()) + "\r\n" + lines;
}

// A signed ASCII file whose signature matches its lines.
bool IsValidlySigned(const std::string& bytes) {
  const auto end = bytes.find("\r\n");
  return end == 32 && Signed(bytes.substr(end + 2)) == bytes;
}

const std::string kSave = "<data fileName=\"slot\">\r\n  <level n=\"3\"/>\r\n</data>\r\n";
const std::string kMarker = "<data corrupted=\"true\"></data>\r\n";

HostOptions GameWith(std::vector<std::pair<std::wstring, std::string>> files) {
  HostOptions options;
  options.movie = GameMovie();
  options.dataFiles = std::move(files);
  return options;
}

// The host with the game movie and these save files, once start-up has checked the files and made the
// "players" file: setAppPath follows those steps.
class GameHost : public HostProcess {
 public:
  explicit GameHost(std::vector<std::pair<std::wstring, std::string>> files) : HostProcess(GameWith(std::move(files))) {
    WaitForCall(L"setAppPath");
  }
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(PlayerDataE2E, ADataRequestWritesCrLfLinesAndSignsEverySaveFile) {
  GameHost host({{L"other", kSave}});
  host.SendRequest(L"save", L"<data fileName=\"slot1\">\n<level n=\"1\"/>\n</data>");
  const std::optional<std::string> slot = host.ReadDataFile(L"slot1");
  ASSERT_TRUE(slot.has_value());
  EXPECT_TRUE(IsValidlySigned(*slot)) << *slot;
  const std::string lines = slot->substr(34);
  EXPECT_TRUE(lines.starts_with("<data fileName=\"slot1\">\r\n")) << lines;
  EXPECT_TRUE(lines.ends_with("</data>\r\n")) << lines;
  EXPECT_EQ(lines.find('\n'), lines.find("\r\n") + 1) << "every line ends with CR LF";
  EXPECT_EQ(host.ReadDataFile(L"other"), Signed(kSave));
  EXPECT_EQ(host.ReadDataFile(L"players"), Signed(""));
}

TEST(PlayerDataE2E, SubFolderSavesLandThereAndAreNeverSignedOrChecked) {
  GameHost host({});
  host.SendRequest(L"save", L"<data fileName=\"profiles/anna\">x</data>");
  const auto anna = host.PlayerDataFolder() / L"profiles" / L"anna";
  std::ifstream in(anna, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_TRUE(bytes.starts_with("<data fileName=\"profiles/anna\">")) << bytes;
  host.SendRequest(L"load", L"<beforeLoad/>");
  std::ifstream again(anna, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), bytes);
  EXPECT_EQ(host.DataFileNames(), std::vector<std::wstring>{L"players"});
}

TEST(PlayerDataE2E, DeleteRemovesOnlyTheNamedFile) {
  GameHost host({{L"a", kSave}, {L"b", kSave}});
  host.SendRequest(L"del", L"<delete fileName=\"a\"/>");
  host.SendRequest(L"del", L"<delete fileName=\"missing\"/>");
  EXPECT_EQ(host.DataFileNames(), (std::vector<std::wstring>{L"b", L"players"}));
  EXPECT_EQ(host.ReadDataFile(L"b"), kSave);
}

TEST(PlayerDataE2E, StartUpAndBeforeLoadCheckTheFiles) {
  std::string within = Signed(kSave), beyond = Signed(kSave);
  within[34 + 3] = 'X';             // inside the signed half
  beyond[beyond.size() - 5] = 'X';  // in the last line, beyond it
  const std::string beyondLines = beyond.substr(34);
  GameHost host({{L"good", Signed(kSave)}, {L"within", within}, {L"beyond", beyond},
                             {L"unsigned", kSave}, {L"players", kSave}});
  EXPECT_EQ(host.ReadDataFile(L"good"), kSave);
  EXPECT_EQ(host.ReadDataFile(L"within"), kMarker);
  EXPECT_EQ(host.ReadDataFile(L"beyond"), beyondLines);
  EXPECT_EQ(host.ReadDataFile(L"unsigned"), kSave);
  EXPECT_EQ(host.ReadDataFile(L"players"), kSave) << "an existing players file is kept";

  // The movie saves (which signs everything), then a file is damaged before it loads.
  host.SendRequest(L"save", L"<data fileName=\"good\">\n</data>");
  const auto folder = host.PlayerDataFolder();
  std::string damaged = *host.ReadDataFile(L"unsigned");
  damaged[34] = '!';
  WriteFile(folder / L"unsigned", damaged);
  host.SendRequest(L"load", L"<beforeLoad/>");
  EXPECT_EQ(host.ReadDataFile(L"good"), "<data fileName=\"good\">\r\n</data>\r\n");
  EXPECT_EQ(host.ReadDataFile(L"unsigned"), kMarker);
  EXPECT_EQ(host.ReadDataFile(L"beyond"), beyondLines);
}

TEST(PlayerDataE2E, ThePlayersFileIsMadeEmptyAtStartUp) {
  GameHost host({});
  EXPECT_EQ(host.ReadDataFile(L"players"), "");
}

TEST(PlayerDataE2E, ExitSigns) {
  GameHost host({{L"a", kSave}});
  host.SendRequest(L"quit", L"<exit/>");
  ASSERT_TRUE(host.WaitForExit().has_value());
  EXPECT_EQ(host.ReadDataFile(L"a"), Signed(kSave));
}

TEST(PlayerDataE2E, ClosingSignsOnlyWhenNothingWasSignedSinceStartUp) {
  {
    GameHost host({{L"a", kSave}});
    host.UnregisterCallback(L"externalExit");  // the window then closes without the movie's exit
    host.Close();
    ASSERT_TRUE(host.WaitForExit().has_value());
    EXPECT_EQ(host.ReadDataFile(L"a"), Signed(kSave));
  }
  {
    GameHost host({{L"a", kSave}});
    host.SendRequest(L"save", L"<data fileName=\"b\">\n</data>");
    host.SendRequest(L"load", L"<beforeLoad/>");
    host.UnregisterCallback(L"externalExit");
    host.Close();
    ASSERT_TRUE(host.WaitForExit().has_value());
    EXPECT_EQ(host.ReadDataFile(L"a"), kSave) << "checked after the save, and not signed again";
  }
}

TEST(PlayerDataE2E, NamesLeadingOutsideTheFolderChangeNothing) {
  GameHost host({{L"a", kSave}});
  const auto outside = host.AppDataFolder() / L"Wendrake" / L"victim";
  WriteFile(outside, "keep");
  for (const wchar_t* name : {L"../victim", L"..\\victim", L"../../x", L"C:\\x", L"a:stream", L""}) {
    host.SendRequest(L"save", std::wstring(L"<data fileName=\"") + name + L"\">gone</data>");
    host.SendRequest(L"del", std::wstring(L"<delete fileName=\"") + name + L"\"/>");
  }
  std::ifstream in(outside, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "keep");
  EXPECT_EQ(host.ReadDataFile(L"a"), kSave) << "nothing was signed";
  EXPECT_EQ(host.DataFileNames(), (std::vector<std::wstring>{L"a", L"players"}));
}

}  // namespace
}  // namespace dm::e2e
