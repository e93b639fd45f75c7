// Movie requests through the real host and the stand-in control's FlashCall event.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/harness/host_process.h"
#include "tests/unit/host/request_mutator.h"

namespace dm::e2e {
namespace {

using namespace std::chrono_literals;

// The file's lines after the signature line the host adds on saving.
std::string WithoutSignature(const std::string& bytes) {
  auto lineEnd = bytes.find("\r\n");
  return lineEnd == std::string::npos ? std::string() : bytes.substr(lineEnd + 2);
}

TEST(HostRequests, TheFunctionNameMakesNoDifferenceAndOddCommandsDoNothing) {
  HostProcess host(GameMovieOptions());
  host.SendRequest(L"saveGame", L"<data fileName=\"one\">Tom &amp; Ann</data>");
  host.SendRequest(L"somethingElse", L"<data fileName=\"two\">Tom &amp; Ann</data>");
  // Case-sensitive names, a declaration or a comment first, a second string argument: none saves.
  host.SendRequest(L"save", L"<Data fileName=\"three\">x</Data>");
  host.SendRequest(L"save", L"<?xml version=\"1.0\"?><data fileName=\"four\">x</data>");
  host.SendRequest(L"save", L"<!-- c --><data fileName=\"five\">x</data>");
  host.SendRawRequest(
      L"<invoke name=\"f\" returntype=\"xml\"><arguments><string>&lt;stopPlay/&gt;</string>"
      L"<string>&lt;data fileName=&quot;six&quot;&gt;x&lt;/data&gt;</string></arguments></invoke>");

  auto one = host.ReadDataFile(L"one");
  auto two = host.ReadDataFile(L"two");
  ASSERT_TRUE(one && two);
  EXPECT_EQ(WithoutSignature(*one), "<data fileName=\"one\">Tom &amp;amp; Ann</data>\r\n");
  EXPECT_EQ(WithoutSignature(*two), "<data fileName=\"two\">Tom &amp;amp; Ann</data>\r\n");
  for (const wchar_t* name : {L"three", L"four", L"five", L"six"}) EXPECT_FALSE(host.ReadDataFile(name)) << name;
  EXPECT_FALSE(host.HasExited());
}

TEST(HostRequests, AnExitRequestClosesTheWindowWithoutAClosePrompt) {
  HostProcess host(GameMovieOptions());
  host.SendRequest(L"quit", L"<exit/>");
  EXPECT_TRUE(host.WaitForExit().has_value());
  for (const MovieCall& call : host.Calls()) EXPECT_NE(call.name, L"externalExit");
}

TEST(HostRequests, TenThousandMutatedRequestsLeaveTheHostUpAndWorking) {
  HostProcess host(GameMovieOptions());
  // No "exit" or "fullscreen" among the seeds: they end the run or switch the display, which would
  // measure something else. Everything else the movie sends is there, and mutants of all of it. The
  // requests stay small (nesting just past the parsers' depth limits, no oversized ones until the
  // end) because the harness keeps and goes through every request sent so far for each new one.
  test::Mutator mutator(5551212,
                        {L"<data fileName=\"slot1\"><level n=\"3\">Anna &amp; Tom's</level></data>",
                         L"<data fileName=\"profiles/anna\">x</data>", L"<delete fileName=\"slot2\"/>",
                         L"<beforeLoad/>", L"<playSound fileName=\"a.mp3\"/>", L"<music level=\"50\"/>",
                         L"<stopPlay/>", L"<quit/>"},
                        {270, 300, false});
  const std::filesystem::path folder = host.PlayerDataFolder();
  for (int sent = 0; sent < 10000;) {
    std::wstring request = mutator.Next();
    // Spliced seeds can still spell out an exit; that would end the run this test wants to keep.
    if (request.find(L"exit") != std::wstring::npos || request.find(L"fullscreen") != std::wstring::npos) continue;
    FiredEvent event = host.SendRawRequest(request);
    ASSERT_TRUE(event.delivered) << "request " << sent;
    if (++sent % 500 == 0) {
      // Mutated names leave many small files; every save signs them all, so keep the folder small.
      std::error_code ignored;
      for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        if (entry.is_regular_file() && entry.path().filename() != L"players") std::filesystem::remove(entry.path(), ignored);
    }
  }
  // An oversized request last, for the reason above.
  const std::wstring huge = L"<data fileName=\"huge\">" + std::wstring(kMaxRequestLength, L'x') + L"</data>";
  EXPECT_TRUE(host.SendRequest(L"save", huge).delivered);
  EXPECT_FALSE(host.ReadDataFile(L"huge"));
  EXPECT_FALSE(host.HasExited());

  host.SendRequest(L"save", L"<data fileName=\"final\">done</data>");
  auto saved = host.ReadDataFile(L"final");
  ASSERT_TRUE(saved);
  EXPECT_EQ(WithoutSignature(*saved), "<data fileName=\"final\">done</data>\r\n");
  host.SendRequest(L"save", L"<exit/>");
  EXPECT_TRUE(host.WaitForExit().has_value());
}

}  // namespace
}  // namespace dm::e2e
