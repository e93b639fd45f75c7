#include "input/escape_reporter.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/movie_call_text.h"

namespace dm {
namespace {

constexpr unsigned kA = 'A';
constexpr unsigned kShift = 0x10;

struct KeyEvent {
  bool down;
  unsigned key;
};
constexpr KeyEvent Down(unsigned key) { return {true, key}; }
constexpr KeyEvent Up(unsigned key) { return {false, key}; }

TEST(EscapeReporter, ReportsEscapeOncePerPress) {
  struct Case {
    const char* name;
    std::vector<KeyEvent> events;
    int reports;
  } cases[] = {
      {"single press", {Down(kEscapeKey), Up(kEscapeKey)}, 1},
      {"held with auto-repeat", {Down(kEscapeKey), Down(kEscapeKey), Down(kEscapeKey), Up(kEscapeKey)}, 1},
      {"pressed twice", {Down(kEscapeKey), Up(kEscapeKey), Down(kEscapeKey), Up(kEscapeKey)}, 2},
      {"after another key: not reported", {Down(kA), Up(kA), Down(kEscapeKey)}, 0},
      {"after another key: the next press is",
       {Down(kA), Up(kA), Down(kEscapeKey), Up(kEscapeKey), Down(kEscapeKey)}, 1},
      {"while a modifier is held", {Down(kShift), Down(kEscapeKey)}, 0},
      {"another key's release does not re-arm", {Down(kEscapeKey), Up(kA), Down(kEscapeKey)}, 1},
      {"Escape release re-arms after another key", {Down(kA), Up(kEscapeKey), Down(kEscapeKey)}, 1},
  };
  for (const Case& c : cases) {
    std::vector<std::wstring> calls;
    EscapeReporter reporter([&](std::wstring_view text) { calls.emplace_back(text); });
    for (const KeyEvent& e : c.events) e.down ? reporter.KeyDown(e.key) : reporter.KeyUp(e.key);
    EXPECT_EQ(calls.size(), static_cast<size_t>(c.reports)) << c.name;
    for (const std::wstring& call : calls) EXPECT_EQ(call, movie_call::kExternalEscape) << c.name;
  }
}

TEST(EscapeReporter, FailedReportStillEndsThePress) {
  int attempts = 0;
  EscapeReporter reporter([&](std::wstring_view) {
    ++attempts;
    throw std::runtime_error("movie not loaded");
  });
  EXPECT_THROW(reporter.KeyDown(kEscapeKey), std::runtime_error);
  reporter.KeyDown(kEscapeKey);  // auto-repeat of the same press
  EXPECT_EQ(attempts, 1);
  EXPECT_FALSE(reporter.Armed());
  reporter.KeyUp(kEscapeKey);
  EXPECT_TRUE(reporter.Armed());
}

}  // namespace
}  // namespace dm
