#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "flash/runtime/maps.h"
#include "flash/runtime/wave_scaling.h"

namespace dm {
namespace {

TEST(StringMap, KeysMatchIgnoringCaseAndSetReplacesTheFirstPair) {
  TMapString2String map;
  map.SetValue(u"FlashWindow", u"one");
  map.SetValue(u"FLASHWINDOW", u"two");
  map.SetValue(u"Ärger", u"three");
  EXPECT_EQ(map.Count(), 2u);
  EXPECT_EQ(map.GetValue(u"flashwindow"), u"two");
  EXPECT_EQ(map.GetValue(u"äRGER"), u"three");
  EXPECT_EQ(map.GetValue(u"FlashWindow2"), std::nullopt);
  EXPECT_EQ(map.GetValue(u"FlashWindo"), std::nullopt);
}

TEST(CardinalMap, KeepsDuplicatesAndFindsTheOldest) {
  TMapCardinal2Cardinal map;
  EXPECT_EQ(map.Find(7), std::nullopt);
  map.Add(7, 2);
  map.Add(8, 1);
  map.Add(7, 1);
  EXPECT_EQ(map.Count(), 3u);
  EXPECT_EQ(map.Find(7), 2u);
  EXPECT_EQ(map.Find(8), 1u);
}

std::vector<uint8_t> Bytes16(std::initializer_list<int16_t> samples) {
  std::vector<uint8_t> bytes(samples.size() * 2);
  std::memcpy(bytes.data(), std::data(samples), bytes.size());
  return bytes;
}

TEST(WaveScaling, ScalesSignedSamplesTowardZero) {
  struct Case {
    const char* name;
    uint32_t bytesPerSample;
    int32_t volume;
    std::vector<uint8_t> before, after;
  };
  const Case cases[] = {
      {"8-bit half", 1, 50, {0x7F, 0x81, 0x03, 0xFD, 0x00}, {0x3F, 0xC1, 0x01, 0xFF, 0x00}},
      {"8-bit third", 1, 33, {0x80, 0x7F}, {static_cast<uint8_t>(-42), 41}},
      {"16-bit half", 2, 50, Bytes16({32767, -32768, 3, -3, 0}), Bytes16({16383, -16384, 1, -1, 0})},
      {"16-bit mute", 2, 0, Bytes16({1234, -1234}), Bytes16({0, 0})},
      {"volume 100 unchanged", 2, 100, Bytes16({-32768, 32767, 5}), Bytes16({-32768, 32767, 5})},
      {"3-byte samples unchanged", 3, 50, {0x10, 0x20, 0x30}, {0x10, 0x20, 0x30}},
      {"16-bit odd length keeps last byte", 2, 50, {0x10, 0x00, 0xAB}, {0x08, 0x00, 0xAB}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> data = c.before;
    ScaleWaveSamples(data.data(), data.size(), c.bytesPerSample, c.volume);
    EXPECT_EQ(data, c.after);
  }
}

// Every sample value at every volume, in a buffer long enough for the block-wise path, starting at an odd
// address and ending in a partial block, against the rule computed here sample by sample.
TEST(WaveScaling, EverySampleAtEveryVolumeFollowsTheRule) {
  constexpr size_t kSamples = 65536 + 7;
  std::vector<uint8_t> storage(1 + 2 * kSamples);
  uint8_t* data = storage.data() + 1;
  std::vector<int32_t> volumes(101);
  for (int32_t v = 0; v <= 100; ++v) volumes[static_cast<size_t>(v)] = v;
  volumes.insert(volumes.end(), {101, 333, MaxVolume});
  for (int32_t volume : volumes) {
    for (size_t i = 0; i < kSamples; ++i) {
      const auto sample = static_cast<int16_t>(i - 32768);
      std::memcpy(data + 2 * i, &sample, 2);
    }
    ScaleWaveSamples(data, 2 * kSamples, 2, volume);
    size_t wrong = 0;
    for (size_t i = 0; i < kSamples; ++i) {
      int16_t scaled;
      std::memcpy(&scaled, data + 2 * i, 2);
      wrong += scaled != static_cast<int16_t>(static_cast<int16_t>(i - 32768) * volume / 100);
    }
    EXPECT_EQ(wrong, 0u) << "volume " << volume;
  }
  EXPECT_EQ(storage[0], 0);
}

TEST(WaveScaling, UnalignedBufferIsScaledInPlace) {
  std::vector<uint8_t> storage(1 + 4);
  uint8_t* data = storage.data() + 1;
  int16_t samples[2] = {1000, -1000};
  std::memcpy(data, samples, 4);
  ScaleWaveSamples(data, 4, 2, 10);
  std::memcpy(samples, data, 4);
  EXPECT_EQ(samples[0], 100);
  EXPECT_EQ(samples[1], -100);
  EXPECT_EQ(storage[0], 0);
}

}  // namespace
}  // namespace dm
