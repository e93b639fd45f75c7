#pragma once
// Generated and mutated request texts for robustness runs: well-formed requests with characters
// flipped, cut short, repeated, nested inside each other or deeply, oversized, or spliced together.
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "host/request_command.h"
#include "request_wrap.h"

namespace dm::test {

// Characters that matter to XML and to the text handling, and a few that are plainly hostile.
inline const wchar_t kAlphabet[] = L"<>&;\"'/=!?-[]#x:a0 \r\n\t\xFFFF\xD800\xDC00\x00E9\x4E2D\x0001";

class Mutator {
 public:
  struct Sizes {
    int deepest = 3000;             // levels of the deeply nested requests
    std::size_t largeText = 50000;  // content of the large but allowed requests
    bool oversized = true;          // now and then a request beyond the length limit
  };
  Mutator(unsigned seed, std::vector<std::wstring> arguments, Sizes sizes)
      : random_(seed), arguments_(std::move(arguments)), sizes_(sizes) {}
  Mutator(unsigned seed, std::vector<std::wstring> arguments) : Mutator(seed, std::move(arguments), Sizes{}) {}

  std::wstring Next() {
    std::wstring request = Seed();
    int rounds = Below(3) + 1;
    for (int i = 0; i < rounds; ++i) Mutate(request);
    return request;
  }

  std::wstring Seed() {
    const std::wstring& argument = arguments_[Below(arguments_.size())];
    return WrapRequest(argument, Below(2) ? L"save" : L"f" + std::to_wstring(Below(1000)));
  }

  int Below(std::size_t n) { return static_cast<int>(std::uniform_int_distribution<std::size_t>(0, n - 1)(random_)); }

 private:
  wchar_t AnyChar() {
    if (Below(4) == 0) return static_cast<wchar_t>(Below(0x10000));
    return kAlphabet[Below(std::size(kAlphabet))];  // the array's last element is the NUL character
  }

  void Mutate(std::wstring& request) {
    std::size_t size = request.size();
    switch (Below(9)) {
      case 0:  // flip characters
        for (int i = Below(4) + 1; i > 0 && size > 0; --i) request[Below(size)] = AnyChar();
        break;
      case 1:  // flip a bit
        if (size > 0) request[Below(size)] ^= static_cast<wchar_t>(1u << Below(16));
        break;
      case 2:  // truncate
        request.resize(size > 0 ? Below(size) : 0);
        break;
      case 3:  // insert
        for (int i = Below(8) + 1; i > 0; --i) request.insert(request.begin() + Below(request.size() + 1), AnyChar());
        break;
      case 4:  // repeat a slice
        if (size > 0) {
          std::size_t from = Below(size);
          std::wstring slice = request.substr(from, Below(size - from) + 1);
          for (int i = Below(50) + 1; i > 0; --i) request.insert(from, slice);
        }
        break;
      case 5:  // a request inside the argument of another
        request = WrapRequest(request, L"outer");
        break;
      case 6: {  // deep nesting, outside the request or inside its argument
        int depth = Below(static_cast<std::size_t>(sizes_.deepest)) + 1;
        std::wstring open, close;
        for (int i = 0; i < depth; ++i) open += L"<n>", close += L"</n>";
        if (Below(2))
          request = open + request + close;
        else
          request = WrapRequest(L"<data fileName=\"deep\">" + open + close + L"</data>");
        break;
      }
      case 7:  // oversized: just above the limit now and then, large but allowed otherwise
        if (sizes_.oversized && Below(200) == 0)
          request += std::wstring(kMaxRequestLength, L'x');
        else
          request = WrapRequest(L"<data fileName=\"big\">" + std::wstring(Below(sizes_.largeText), L'y') + L"</data>");
        break;
      default:  // a seed of another command spliced in
        request.insert(Below(size + 1), Seed());
        break;
    }
  }

  std::mt19937 random_;
  std::vector<std::wstring> arguments_;
  Sizes sizes_;
};

}  // namespace dm::test
