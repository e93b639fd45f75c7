// Arbitrary bytes through every step of the module image walker: anything malformed must end in
// ImageError, never in a crash or an access outside the buffers.
#include <cstddef>
#include <cstdint>

#include "pe_test_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    // Larger images only cost allocation time; the walker's own limit is tested elsewhere.
    dm::test::WalkWholeImage({data, size}, 1u << 20);
  } catch (const dm::ImageError&) {
  }
  return 0;
}
