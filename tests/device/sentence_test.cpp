#include "device/sentence.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "scripted_peer.h"

namespace kemlog::device {
namespace {

using testing::LinkFixture;

std::string Line(const std::string& body) { return FormatSentence(body); }

TEST(SentenceFormat, BuildsTheLineWithItsChecksum) {
  EXPECT_EQ(SentenceChecksum("PKRV711"), 0x28);
  EXPECT_EQ(FormatSentence("PKRV711"), "$PKRV711*28\r\n");
  EXPECT_EQ(FormatSentence("PKRV900,902,3"), "$PKRV900,902,3*2E\r\n");
}

TEST(SentenceFormat, RefusesBodiesThatDoNotFitTheLineBuffer) {
  const std::string longest(249, 'A');  // 249 + "$" "*hh" CR LF + terminator = 256
  EXPECT_EQ(FormatSentence(longest).size(), 255u);
  EXPECT_EQ(FormatSentence(longest + "A"), "");
}

TEST(SentenceSend, WritesTheWholeLineOnce) {
  LinkFixture f;
  SendSentence(f.device, "PKRV713,12,340");
  EXPECT_EQ(f.link.ProgramOutput(), FormatSentence("PKRV713,12,340"));
  EXPECT_EQ(f.link.ProgramOutput().substr(0, 16), "$PKRV713,12,340*");
}

struct ReplyCase {
  const char* name;
  std::string input;
  int number;
  bool found;
  const char* fields;  // buffer + 4 on success
};

class WaitReplyCases : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(WaitReplyCases, FindsOnlyAValidSentenceOfTheWantedNumber) {
  const ReplyCase& c = GetParam();
  LinkFixture f;
  f.peer.Send(c.input);
  std::array<char, 1024> buffer{};
  EXPECT_EQ(WaitReply(c.number, buffer, f.device, 50), c.found);
  if (c.found) {
    EXPECT_STREQ(buffer.data() + 4, c.fields);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, WaitReplyCases,
    ::testing::Values(
        ReplyCase{"SkipsOtherNumber", Line("PKRV900,713,3") + Line("PKRV611,5"), 611, true, "611,5"},
        ReplyCase{"LowerCaseChecksum", "$PKRV611,28,x*5b\r\n", 611, false, ""},
        ReplyCase{"UpperCaseChecksum", "$PKRV611,28,x*5B\r\n", 611, true, "611,28,x"},
        ReplyCase{"GarbageBeforeDollar", "xx\x01garbage" + Line("PKRV611,2"), 611, true, "611,2"},
        ReplyCase{"SecondDollarInside", "$PKRV611,$" + Line("PKRV611,2").substr(1), 611, false, ""},
        ReplyCase{"ShortLineDropped", "$\n$ab\n" + Line("PKRV611,7"), 611, true, "611,7"},
        ReplyCase{"WrongChecksum", "$PKRV611,5*00\r\n", 611, false, ""},
        ReplyCase{"PrefixOnlyMatchesSevenCharacters", Line("PKRV6110,1"), 611, true, "6110,1"},
        ReplyCase{"NoSentence", "no dollar here\r\n", 611, false, ""}),
    [](const ::testing::TestParamInfo<ReplyCase>& tpi) { return std::string(tpi.param.name); });

TEST(WaitReply, DropsLinesLongerThanTheBufferWithoutWritingPastIt) {
  LinkFixture f;
  f.peer.Send("$" + std::string(100, 'X') + "\r\n" + Line("PKRV611,3"));
  std::array<char, 48> storage;
  storage.fill('#');
  std::span<char> buffer(storage.data() + 8, 32);  // guarded by 8 bytes on each side
  ASSERT_TRUE(WaitReply(611, buffer, f.device, 50));
  EXPECT_STREQ(buffer.data() + 4, "611,3");
  EXPECT_EQ(std::string(storage.data(), 8), std::string(8, '#'));
  EXPECT_EQ(std::string(storage.data() + 40, 8), std::string(8, '#'));
}

TEST(WaitReply, BudgetCountsOnlyEmptyReads) {
  LinkFixture f;
  std::string stream;
  for (int i = 0; i < 2000; ++i) stream += Line("PKRV555," + std::to_string(i));
  f.peer.Send(stream + Line("PKRV611,9"));
  std::array<char, 128> buffer{};
  EXPECT_TRUE(WaitReply(611, buffer, f.device, 3));
  EXPECT_EQ(f.clock.TickCount(), 0u);  // bytes kept coming: no read ever waited
}

TEST(WaitReply, SilenceEndsTheWaitAfterTheBudgetOfTwoMillisecondReads) {
  LinkFixture f;
  std::array<char, 128> buffer{};
  EXPECT_FALSE(WaitReply(611, buffer, f.device, 3000));
  EXPECT_EQ(f.clock.TickCount(), 6000u);
}

TEST(WaitReply, ZeroBudgetReadsNothing) {
  LinkFixture f;
  f.peer.Send(Line("PKRV611,1"));
  std::array<char, 128> buffer{};
  EXPECT_FALSE(WaitReply(611, buffer, f.device, 0));
  EXPECT_TRUE(WaitReply(611, buffer, f.device, 1));  // the sentence is still waiting
}

TEST(WaitReply, OnFailureLeavesTheLastSentenceBodyInTheBuffer) {
  LinkFixture f;
  f.peer.Send(Line("PKRV555,1,2"));
  std::array<char, 128> buffer{};
  EXPECT_FALSE(WaitReply(861, buffer, f.device, 10));
  EXPECT_STREQ(buffer.data(), "PKRV555,1,2");
}

TEST(WaitReply, ClosedLinkCountsEveryReadAsAMiss) {
  platform::headless::VirtualClock clock;
  DeviceLink closed(std::shared_ptr<PortHandle>{}, clock);
  std::array<char, 128> buffer{};
  EXPECT_FALSE(WaitReply(611, buffer, closed, 3000));
}

TEST(SendAndWaitText, FindsTextArrivingInTheThirdPoll) {
  LinkFixture f;
  f.peer.SendAt(250, "junk $PKRV806,3*00\r\n");
  std::string out;
  EXPECT_TRUE(SendAndWaitText(f.device, "PKRV806", "806,3", out));
  EXPECT_EQ(out, "806,3*00\r\n");
  EXPECT_GE(f.clock.TickCount(), 300u);
  EXPECT_LT(f.clock.TickCount(), 400u);
  EXPECT_EQ(f.link.ProgramOutput(), FormatSentence("PKRV806"));
}

TEST(SendAndWaitText, GivesUpAfterElevenPolls) {
  LinkFixture f;
  std::string out = "untouched";
  EXPECT_FALSE(SendAndWaitText(f.device, "PKRV806", "806,3", out));
  EXPECT_EQ(out, "untouched");
  EXPECT_GE(f.clock.TickCount(), 1100u);
  EXPECT_LT(f.clock.TickCount(), 1100u + 11 * 130u);
}

TEST(SendAndWaitText, StaysInsideAFullPollBuffer) {
  LinkFixture f;
  f.peer.Send(std::string(123, 'x') + "806,3" + std::string(300, 'y'));  // fills the 128 bytes
  std::string out;
  EXPECT_TRUE(SendAndWaitText(f.device, "PKRV806", "806,3", out));
  EXPECT_EQ(out, "806,3");
}

TEST(WaitHello, RecognisesTheIdentificationSentence) {
  LinkFixture f;
  f.peer.SendAt(100, Line("PKRV861,10203,161231"));
  EXPECT_TRUE(WaitHello(f.device));
  EXPECT_LT(f.clock.TickCount(), 500u);
}

TEST(WaitHello, AnotherSentenceFirstMeansNoWatch) {
  LinkFixture f;
  f.peer.Send("$GPRMC,123519,A,4807.038,N*6A\r\n" + Line("PKRV861,10203,161231"));
  EXPECT_FALSE(WaitHello(f.device));
  EXPECT_GE(f.clock.TickCount(), 500u);
}

TEST(WaitHello, SilenceEndsAfterHalfASecond) {
  LinkFixture f;
  EXPECT_FALSE(WaitHello(f.device));
  EXPECT_GE(f.clock.TickCount(), 500u);
  EXPECT_LE(f.clock.TickCount(), 503u);
}

// The two numbers after the sentence number, read from the body only (never from what an earlier,
// longer line left in the buffer).
TEST(WaitReplyFields, ReadsTheTwoNumbersAfterTheSentenceNumber) {
  struct Case {
    std::string sent;
    bool answered;
    int first;
    int second;
  };
  const Case cases[] = {
      {Line("PKRV900,712,3"), true, 712, 3},
      {Line("PKRV900,713,2"), true, 713, 2},
      {Line("PKRV900,1"), true, 1, 0},  // one number only, as 604 and 611 carry
      {Line("PKRV900"), true, 0, 0},
      // A longer line of another number first: its bytes stay in the buffer behind the short reply.
      {Line("PKRV555,12345,67890,1") + Line("PKRV900"), true, 0, 0},
      {Line("PKRV900,x,3"), true, 0, 0},
      {Line("PKRV901,712,3"), false, 0, 0},
      {"", false, 0, 0},
  };
  for (const Case& c : cases) {
    LinkFixture f;
    f.peer.Send(c.sent);
    const std::optional<ReplyFields> fields = WaitReplyFields(f.device, 900, 50);
    ASSERT_EQ(fields.has_value(), c.answered) << c.sent;
    if (!fields) continue;
    EXPECT_EQ(fields->first, c.first) << c.sent;
    EXPECT_EQ(fields->second, c.second) << c.sent;
  }
}

TEST(FormatBody, PrintsTheValuesAndCutsWhatDoesNotFit) {
  EXPECT_EQ(FormatBody("PKRV713,%d,%d", 120, 45), "PKRV713,120,45");
  EXPECT_EQ(FormatBody("PKRV%d,%u,%08X", 901, 64u, 0xABCu), "PKRV901,64,00000ABC");
  EXPECT_EQ(FormatBody("%s", std::string(400, 'A').c_str()).size(), kSentenceBufferSize - 1);
}

}  // namespace
}  // namespace kemlog::device
