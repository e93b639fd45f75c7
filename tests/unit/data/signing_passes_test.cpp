#include "data/signing_passes.h"

#include <gtest/gtest.h>

#include "data/signature.h"
#include "memory_store.h"
#include "test_code_page.h"

namespace dm {
namespace {

using test::MemoryStore;

constexpr const char* kUnsigned = "<data x=\"1\">\r\n</data>\r\n";
constexpr const char* kSigned = "3B56FF9224E7FFF8067D75B82D2C703A\r\n<data x=\"1\">\r\n</data>\r\n";
constexpr const char* kEmptySigned = "E7248FCE8990089E402B00F89DC8D14D\r\n";
constexpr const char* kMarker = "<data corrupted=\"true\"></data>\r\n";
constexpr const char* kMarkerSigned = "4431A753648240DEF04138AAA0599CA2\r\n<data corrupted=\"true\"></data>\r\n";

class SigningPasses : public testing::Test {
 protected:
  test::Latin1CodePage ansi;
  SaveFileText text{ansi};
};

TEST_F(SigningPasses, FixtureSignatureIsTheSignatureOfItsBody) {
  ASSERT_EQ(text.Write(FileSignature(text.Read(kUnsigned)) + u"\r\n") + kUnsigned, kSigned);
}

// The effect of each pass on one file, as a table: before, after signing, after checking.
TEST_F(SigningPasses, EffectOnEachKindOfFile) {
  struct Case {
    const char* what;
    std::string before, signedAfter, checkedAfter;
  };
  const Case cases[] = {
      {"no lines", "", kEmptySigned, kMarker},
      {"unsigned", kUnsigned, kSigned, kUnsigned},
      {"valid signature", kSigned, kSigned, kUnsigned},
      {"signature only", kEmptySigned, kEmptySigned, ""},
      {"wrong signature", std::string("0000\r\n") + kUnsigned, kSigned, kMarker},
      {"lone LF and no final break", "abc\n<data x=\"1\">\n</data>", kSigned, kMarker},
      {"the marker", kMarker, kMarkerSigned, kMarker},
      {"signed marker", kMarkerSigned, kMarkerSigned, kMarker},
      {"UTF-8 with mark", "\xEF\xBB\xBF<data x=\"1\">\n</data>", kSigned, "\xEF\xBB\xBF<data x=\"1\">\n</data>"},
  };
  for (const Case& c : cases) {
    MemoryStore signing({{L"f", c.before}});
    SignSaveFiles(signing, text);
    EXPECT_EQ(signing.Bytes(L"f"), c.signedAfter) << "sign: " << c.what;
    MemoryStore checking({{L"f", c.before}});
    VerifySaveFiles(checking, text);
    EXPECT_EQ(checking.Bytes(L"f"), c.checkedAfter) << "check: " << c.what;
  }
}

TEST_F(SigningPasses, SignThenCheckRoundTripsEvenForCharactersTheCodePageLacks) {
  // U+0100 is stored as "?"; the signature must cover what is stored, or the check rejects the file.
  MemoryStore store({{L"f", "\xEF\xBB\xBF<data>\xC4\x80</data>\r\n"}});
  SignSaveFiles(store, text);
  VerifySaveFiles(store, text);
  EXPECT_EQ(store.Bytes(L"f"), "<data>?</data>\r\n");
}

TEST_F(SigningPasses, OnlyTheSignedRangeIsProtected) {
  // The signed text of kSigned has 23 code units: its first 11 characters are covered, and the low byte
  // of the 12th, the ">" at offset 11.
  std::string beyond = kSigned, within = kSigned;
  beyond[34 + 14] = '(';
  within[34 + 11] = ')';
  MemoryStore store({{L"beyond", beyond}, {L"within", within}});
  VerifySaveFiles(store, text);
  EXPECT_EQ(store.Bytes(L"beyond"), beyond.substr(34));
  EXPECT_EQ(store.Bytes(L"within"), kMarker);
}

TEST_F(SigningPasses, StopsAtTheFirstFailingFileWithEarlierFilesDone) {
  // Either b cannot be read, or it cannot be rewritten.
  for (bool unreadable : {false, true}) {
    const bool replaceable = unreadable;
    MemoryStore signing({{L"a", kUnsigned}, {L"b", kUnsigned, replaceable, unreadable}, {L"c", kUnsigned}});
    EXPECT_THROW(SignSaveFiles(signing, text), Error);
    EXPECT_EQ(signing.Bytes(L"a"), kSigned);
    EXPECT_EQ(signing.Bytes(L"c"), kUnsigned);

    MemoryStore checking({{L"a", kSigned}, {L"b", kSigned, replaceable, unreadable}, {L"c", kSigned}});
    EXPECT_THROW(VerifySaveFiles(checking, text), Error);
    EXPECT_EQ(checking.Bytes(L"a"), kUnsigned);
    EXPECT_EQ(checking.Bytes(L"c"), kSigned);
  }
}

TEST_F(SigningPasses, UnchangedFilesAreSkippedOnlyWhenTheyCouldBeRewritten) {
  MemoryStore store({{L"same", kSigned}, {L"changed", kUnsigned}});
  SignSaveFiles(store, text);
  EXPECT_EQ(store.written, std::vector<std::wstring>{L"changed"});

  // A read-only, hidden or system file fails even when its bytes would not change.
  MemoryStore locked({{L"a", kUnsigned}, {L"same", kSigned, false}, {L"c", kUnsigned}});
  EXPECT_THROW(SignSaveFiles(locked, text), Error);
  EXPECT_EQ(locked.Bytes(L"c"), kUnsigned);

  // The check never writes an unsigned file, so such a file does not stop it.
  MemoryStore checking({{L"a", kUnsigned, false}, {L"b", kSigned}});
  VerifySaveFiles(checking, text);
  EXPECT_EQ(checking.Bytes(L"b"), kUnsigned);
}

}  // namespace
}  // namespace dm
