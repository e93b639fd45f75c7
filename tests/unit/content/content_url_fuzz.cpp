// Feeds arbitrary UTF-16 text to the content-address parser and checks what any result must satisfy.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "flash/content/content_url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string address(size / 2, u'\0');
  std::memcpy(address.data(), data, address.size() * 2);
  std::optional<dm::ContentAddress> parsed = dm::ParseContentUrl(address);
  if (parsed) {
    std::u16string normalised = address;
    for (char16_t& c : normalised)
      if (c == u'\\') c = u'/';
    if (normalised.find(dm::ContentUrlMarker) == std::u16string::npos) std::abort();
    if (normalised.size() < parsed->Path.size() ||
        normalised.compare(normalised.size() - parsed->Path.size(), parsed->Path.size(), parsed->Path) != 0)
      std::abort();
  }
  if (!dm::SameContentUrl(address, address)) std::abort();
  return 0;
}
