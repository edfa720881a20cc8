#include "device/gps_data_update.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "device/block_transfer.h"
#include "raw_peer.h"

namespace kemlog::device {
namespace {

using platform::headless::MemoryLink;
using platform::headless::VirtualClock;

// The watch's receiving side: acknowledges announcements, checks each chunk, and can refuse chunks.
struct Receiver {
  Receiver() {
    peer.onSentence = [this](const std::string& body) { OnSentence(body); };
    peer.onRaw = [this](const std::vector<uint8_t>& bytes) { OnChunk(bytes); };
  }

  void OnSentence(const std::string& body) {
    unsigned offset = 0, length = 0, crc = 0;
    if (body.rfind("PKRV704,", 0) == 0 && answerData) peer.SendSentence("PKRV604," + std::to_string(dataStatus));
    if (body == "PKRV708,1024" && answerInfo) peer.SendSentence("PKRV608,1");
    if (std::sscanf(body.c_str(), "PKRV901,%u,%X", &length, &crc) == 2) {
      uploads.push_back({});
      uploadCrcs.push_back(crc);
      uploadSizes.push_back(length);
      peer.SendSentence("PKRV900,901," + std::to_string(refuseAnnouncement ? 2 : 3));
    }
    if (std::sscanf(body.c_str(), "PKRV902,%u,%u,%X", &offset, &length, &crc) == 3) {
      chunks.push_back({offset, length});
      chunkCrc = crc;
      peer.ExpectRaw(length);
      peer.SendSentence("PKRV900,902,3");
    }
  }

  void OnChunk(const std::vector<uint8_t>& bytes) {
    const bool refuse = refusals > 0;
    if (refuse) --refusals;
    const bool good = !refuse && Crc32(bytes) == chunkCrc;
    if (good) uploads.back().insert(uploads.back().end(), bytes.begin(), bytes.end());
    peer.SendSentence(good ? "PKRV900,902,3" : "PKRV900,902,2");
  }

  VirtualClock clock;
  MemoryLink link{clock};
  testing::RawPeer peer{link};
  std::unique_ptr<platform::SerialPort> port = link.OpenProgramPort();
  DeviceLink device{port.get(), clock};

  bool answerData = true;
  bool answerInfo = true;
  int dataStatus = 1;
  bool refuseAnnouncement = false;
  int refusals = 0;
  uint32_t chunkCrc = 0;
  std::vector<std::pair<unsigned, unsigned>> chunks;
  std::vector<std::vector<uint8_t>> uploads;
  std::vector<unsigned> uploadCrcs;
  std::vector<unsigned> uploadSizes;
};

std::vector<uint8_t> Bytes(size_t size, uint32_t seed = 1) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

TEST(SendBlocks, SplitsAPayloadIntoChunksOf4096) {
  Receiver r;
  const auto payload = Bytes(8193);
  EXPECT_TRUE(SendBlocks(r.device, payload));
  EXPECT_EQ(r.chunks, (std::vector<std::pair<unsigned, unsigned>>{{0, 4096}, {4096, 4096}, {8192, 1}}));
  ASSERT_EQ(r.uploads.size(), 1u);
  EXPECT_EQ(r.uploads[0], payload);
  EXPECT_EQ(r.uploadSizes[0], 8193u);
  EXPECT_EQ(r.uploadCrcs[0], Crc32(payload));
}

TEST(SendBlocks, EmptyPayloadSucceedsRightAfterItsAnnouncement) {
  Receiver r;
  EXPECT_TRUE(SendBlocks(r.device, {}));
  EXPECT_TRUE(r.chunks.empty());
  EXPECT_EQ(r.peer.Bodies(), std::vector<std::string>{"PKRV901,0,FFFFFFFF"});
}

TEST(SendBlocks, RefusedChunks) {
  struct Case {
    int refusals;
    bool result;
    size_t attempts;
  };
  for (const Case& c : {Case{9, true, 10}, Case{10, false, 10}}) {
    Receiver r;
    r.refusals = c.refusals;
    EXPECT_EQ(SendBlocks(r.device, Bytes(100)), c.result) << c.refusals;
    EXPECT_EQ(r.chunks.size(), c.attempts) << c.refusals;
  }
}

TEST(SendBlocks, ASuccessResetsTheRefusalCount) {
  Receiver r;
  r.refusals = 9;
  const auto payload = Bytes(4096 + 10);
  // Nine refusals of the first chunk, then it passes; the second chunk may fail nine times again.
  r.peer.onRaw = [&r, count = 0](const std::vector<uint8_t>& bytes) mutable {
    if (++count == 11) r.refusals = 9;
    r.OnChunk(bytes);
  };
  EXPECT_TRUE(SendBlocks(r.device, payload));
  EXPECT_EQ(r.uploads[0], payload);
}

TEST(SendBlocks, RefusedAnnouncementEndsTheUpload) {
  Receiver r;
  r.refuseAnnouncement = true;
  EXPECT_FALSE(SendBlocks(r.device, Bytes(10)));
  EXPECT_TRUE(r.chunks.empty());
}

TEST(GpsDataInfoBlock, DescribesThePayload) {
  const auto payload = Bytes(5000);
  const auto block = GpsDataInfoBlock(payload);
  auto word = [&](size_t i) {
    return uint32_t{block[4 * i]} | uint32_t{block[4 * i + 1]} << 8 | uint32_t{block[4 * i + 2]} << 16 |
           uint32_t{block[4 * i + 3]} << 24;
  };
  EXPECT_EQ(word(0), 0x5AAA55A5u);
  EXPECT_EQ(word(1), 1u);
  EXPECT_EQ(word(2), 5000u);
  EXPECT_EQ(word(3), Crc32(payload));
  EXPECT_EQ(word(4), 0x037A4000u);
  EXPECT_EQ(word(5), 0x037A4000u + 5000);
  EXPECT_TRUE(std::all_of(block.begin() + 24, block.end(), [](uint8_t b) { return b == 0; }));
}

// A GPS data file of the given size whose header is right, then spoilt by `spoil`.
std::vector<uint8_t> GpsFile(size_t size, const std::function<void(std::vector<uint32_t>&)>& spoil = {}) {
  std::vector<uint32_t> words = {0x55AAFFFF, 32, static_cast<uint32_t>(size - 1), 7, 0x00000012, 9, 11, 0};
  if (spoil) spoil(words);
  if (words[7] == 0) {
    for (size_t i = 0; i < 7; ++i) words[7] += words[i];
  }
  std::vector<uint8_t> bytes = Bytes(size, 9);
  for (size_t i = 0; i < 8 && 4 * i + 3 < size; ++i)
    for (size_t b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<uint8_t>(words[i] >> (8 * b));
  return bytes;
}

class GpsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("kemlog-gps-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::vector<uint8_t>& bytes) {
    const std::string path = (dir_ / "data.bin").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }
  std::filesystem::path dir_;
};

TEST_F(GpsFiles, HeaderCheck) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    bool valid;
  };
  const std::vector<Case> cases = {
      {"right", GpsFile(1000), true},
      {"word 4 high half is free", GpsFile(1000, [](auto& w) { w[4] = 0x00010012; }), true},
      {"word 4 of 19", GpsFile(1000, [](auto& w) { w[4] = 19; }), false},
      {"word 2 is the length, not length - 1", GpsFile(1000, [](auto& w) { w[2] = 1000; }), false},
      {"bad magic", GpsFile(1000, [](auto& w) { w[0] = 0x55AAFFFE; }), false},
      {"bad header size", GpsFile(1000, [](auto& w) { w[1] = 24; }), false},
      {"bad sum", GpsFile(1000, [](auto& w) { w[7] = 1; }), false},
      {"shorter than the header", std::vector<uint8_t>(31, 0), false},
  };
  for (const Case& c : cases) {
    std::vector<std::string> messages;
    EXPECT_EQ(CheckGpsDataFile(Write(c.file), [&](const std::string& m) { messages.push_back(m); }), c.valid) << c.name;
    EXPECT_EQ(messages, c.valid ? std::vector<std::string>{} : std::vector<std::string>{kGpsFileInvalidMessage}) << c.name;
  }
  // One byte more or less than announced.
  for (size_t size : {999u, 1001u}) {
    auto file = GpsFile(1000);
    file.resize(size);
    EXPECT_FALSE(CheckGpsDataFile(Write(file), {})) << size;
  }
}

TEST_F(GpsFiles, MissingFileSaysItCannotBeOpened) {
  std::vector<std::string> messages;
  EXPECT_FALSE(CheckGpsDataFile((dir_ / "none.bin").string(), [&](const std::string& m) { messages.push_back(m); }));
  EXPECT_EQ(messages, std::vector<std::string>{kGpsFileUnreadableMessage});
}

TEST_F(GpsFiles, SendsTheFileThenItsInformationBlock) {
  Receiver r;
  const auto file = GpsFile(9000);
  const GpsDataSendResult result = SendGpsData(r.device, Write(file), {});
  EXPECT_TRUE(result.Complete());
  ASSERT_EQ(r.uploads.size(), 2u);
  EXPECT_EQ(r.uploads[0], file);
  const auto info = GpsDataInfoBlock(file);
  EXPECT_EQ(r.uploads[1], std::vector<uint8_t>(info.begin(), info.end()));
  EXPECT_EQ(r.peer.Bodies().front(), "PKRV704,9000");
  EXPECT_EQ(r.link.PurgeCount(), 1);
}

TEST_F(GpsFiles, TheInformationBlockGoesOutWhateverTheDataAchieved) {
  struct Case {
    const char* name;
    bool answerData;
    int dataStatus;
    std::vector<std::string> messages;
  };
  for (const Case& c : {Case{"no answer to 704", false, 1, {}}, Case{"704 refused", true, 0, {kGpsFileInvalidMessage}}}) {
    Receiver r;
    r.answerData = c.answerData;
    r.dataStatus = c.dataStatus;
    std::vector<std::string> messages;
    const GpsDataSendResult result =
        SendGpsData(r.device, Write(GpsFile(500)), [&](const std::string& m) { messages.push_back(m); });
    EXPECT_FALSE(result.dataSent) << c.name;
    EXPECT_TRUE(result.infoSent) << c.name;
    ASSERT_EQ(r.uploads.size(), 1u) << c.name;
    EXPECT_EQ(r.uploads[0].size(), kGpsDataInfoBlockSize) << c.name;
    EXPECT_EQ(messages, c.messages) << c.name;
  }
}

// Only the header is read: a file far larger than memory is checked at once against its size.
TEST_F(GpsFiles, AHugeFileIsCheckedByItsHeaderAndSize) {
  struct Case {
    uint64_t size;
    uint32_t announcedLength;  // word 2 + 1
    bool valid;
  };
  for (const Case& c : {Case{uint64_t{3} << 30, 3u << 30, true},
                        Case{(uint64_t{1} << 32) + 1000, 1000, false},  // a 32-bit length would wrap to 1000
                        Case{uint64_t{3} << 30, 1000, false}}) {
    std::vector<uint8_t> header = GpsFile(1000, [&](auto& w) { w[2] = c.announcedLength - 1; });
    header.resize(32);
    const std::string path = Write(header);
    std::filesystem::resize_file(path, c.size);  // sparse: no disk space used
    std::vector<std::string> messages;
    EXPECT_EQ(CheckGpsDataFile(path, [&](const std::string& m) { messages.push_back(m); }), c.valid) << c.size;
    EXPECT_EQ(messages.empty(), c.valid) << c.size;
  }
}

TEST_F(GpsFiles, AFileTooLongToAnnounceIsNotSent) {
  Receiver r;
  std::vector<uint8_t> header = GpsFile(1000);
  header.resize(32);
  const std::string path = Write(header);
  std::filesystem::resize_file(path, (uint64_t{1} << 32) + 5);
  std::vector<std::string> messages;
  const GpsDataSendResult result = SendGpsData(r.device, path, [&](const std::string& m) { messages.push_back(m); });
  EXPECT_FALSE(result.fileRead);
  EXPECT_FALSE(result.Complete());
  EXPECT_EQ(messages, std::vector<std::string>{kGpsFileUnreadableMessage});
  EXPECT_TRUE(r.peer.Bodies().empty());
}

}  // namespace
}  // namespace kemlog::device
