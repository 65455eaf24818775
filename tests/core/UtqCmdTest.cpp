#include "ExpectedHelpText.h"
#include "app/UtqCmd.h"
#include "writer/Cp1251.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {
// Records the boxes in the order the parser asked for them.
class TRecordedBoxes : public TCmdMessages {
public:
  void ShowHelp() override { Shown += 'H'; }
  void ShowFormatError() override { Shown += 'E'; }
  std::string Shown;
};

struct TParsed {
  TStartOptions Options;
  std::string Boxes;
};

TParsed Parse(const std::vector<std::string>& arguments, TStartOptions start = {}) {
  TParsed r;
  r.Options = start;
  TRecordedBoxes boxes;
  ParseArguments(arguments, 1024, 768, r.Options, boxes);
  r.Boxes = boxes.Shown;
  return r;
}

void ExpectWindow(const TStartOptions& o, int x, int y, int w, int h) {
  EXPECT_EQ(o.StartX, x);
  EXPECT_EQ(o.StartY, y);
  EXPECT_EQ(o.StartWidth, w);
  EXPECT_EQ(o.StartHeight, h);
}
} // namespace

TEST(TryStrToInt, AcceptsTheRuntimesForms) {
  const struct {
    const char* Text;
    std::int32_t Value;
  } good[] = {{"$FF", 255},
              {"0x10", 16},
              {"x1f", 31},
              {"-5", -5},
              {" 7", 7},
              {"+12", 12},
              {"007", 7},
              {"\t 3", 3},
              {"2147483647", 2147483647},
              {"-2147483648", -2147483647 - 1},
              {"$7fffffff", 2147483647},
              {"0XaB", 171},
              {"$FFFFFFFF", -1}};
  for (const auto& c : good) {
    std::int32_t v = 12345;
    EXPECT_TRUE(TryStrToInt(c.Text, v)) << c.Text;
    EXPECT_EQ(v, c.Value) << c.Text;
  }
}

TEST(TryStrToInt, RefusesAnythingElse) {
  for (const char* text :
       {"7 ", "", " ", "2147483648", "-2147483649", "99999999999999999999", "$", "0x", "x", "-",
        "+", "1e3", "12a", "-$10", "$100000000", "0x-1", "$ 1", "- 5", "\xED"}) {
    std::int32_t v = 12345;
    EXPECT_FALSE(TryStrToInt(text, v)) << '"' << text << '"';
    EXPECT_EQ(v, 12345) << "a refused text leaves the value alone: " << text;
  }
}

TEST(ParseArguments, NoArgumentsGiveTheDefaultWindowUnclamped) {
  TStartOptions start;
  start.StartX = -50; // left over from an earlier parse: reset, not clamped
  start.CloseOnFinish = true;
  const TParsed p = Parse({}, start);
  ExpectWindow(p.Options, 0, 0, 600, 400);
  EXPECT_EQ(p.Options.StartSegmentNumber, 1);
  EXPECT_FALSE(p.Options.StartFullScreen);
  EXPECT_EQ(p.Options.SizeMode, smNormal);
  EXPECT_TRUE(p.Options.CloseOnFinish) << "only ever switched on";
  EXPECT_EQ(p.Boxes, "");

  // Nothing is clamped without arguments: a narrow screen still gets (0, 0).
  TStartOptions o;
  TRecordedBoxes boxes;
  ParseArguments({}, 300, 200, o, boxes);
  ExpectWindow(o, 0, 0, 600, 400);
}

TEST(ParseArguments, PositionAndSizeInEitherOrder) {
  ExpectWindow(Parse({"-SIZE", "800", "600", "-POS", "C"}).Options, 112, 84, 800, 600);
  // The centre is worked out for 600 x 400, and the last clamp lifts the top edge.
  ExpectWindow(Parse({"/pos", "c", "/size", "800", "600"}).Options, 212, 168, 800, 600);
  ExpectWindow(Parse({"/size", "300", "200"}).Options, 0, 0, 600, 400);
  // Only the option state looks for a leading "-": here it is the sign of a value.
  ExpectWindow(Parse({"/pos", "5000", "-20"}).Options, 424, 0, 600, 400);
  ExpectWindow(Parse({"/size", "700", "500", "/pos", "r", "b"}).Options, 324, 268, 700, 500);
  ExpectWindow(Parse({"/pos", "l", "t"}).Options, 0, 0, 600, 400);
  ExpectWindow(Parse({"/pos", "$10", "x20"}).Options, 16, 32, 600, 400);
  // A window larger than the screen ends up left of and above it.
  ExpectWindow(Parse({"/size", "1100", "800"}).Options, -76, -32, 1100, 800);
}

TEST(ParseArguments, ExtremeSizesDoNotOverflowThePosition) {
  // The right edge of a window of -2147483648 pixels lies beyond any screen: right-aligned,
  // then clamped, it starts where a 600-pixel window fits.
  ExpectWindow(Parse({"/size", "-2147483648", "-2147483648", "/pos", "r", "b"}).Options, 424, 368,
               600, 400);
  ExpectWindow(Parse({"/size", "-2147483648", "600", "/pos", "c"}).Options, 424, 84, 600, 600);
  ExpectWindow(Parse({"/size", "2147483647", "400", "/pos", "r", "t"}).Options, 1024 - 2147483647,
               0, 2147483647, 400);
}

TEST(ParseArguments, KeywordsAreWholeArguments) {
  // "center" is not "c": it is a number that does not convert.
  const TParsed p = Parse({"/pos", "center"});
  EXPECT_EQ(p.Boxes, "E");
  const TParsed q = Parse({"/size", "maximum"});
  EXPECT_EQ(q.Boxes, "E");
  EXPECT_EQ(q.Options.SizeMode, smNormal);
}

TEST(ParseArguments, FullScreenMaximisedAndMinimum) {
  const TParsed exact = Parse({"/size", "1024", "768"});
  EXPECT_TRUE(exact.Options.StartFullScreen);
  ExpectWindow(exact.Options, 0, 0, 1024, 768);
  EXPECT_TRUE(Parse({"/size", "fullscreen"}).Options.StartFullScreen);
  EXPECT_EQ(Parse({"/size", "fullscreen"}).Options.SizeMode, smNormal);
  EXPECT_EQ(Parse({"/size", "MAX"}).Options.SizeMode, smMaximized);

  // A numeric size switches full screen off again; "max" and "min" leave it as it was.
  EXPECT_FALSE(Parse({"/size", "fullscreen", "/size", "800", "600"}).Options.StartFullScreen);
  const TParsed both = Parse({"/size", "fullscreen", "/size", "max"});
  EXPECT_TRUE(both.Options.StartFullScreen);
  EXPECT_EQ(both.Options.SizeMode, smMaximized);
  const TParsed min = Parse({"/size", "max", "/size", "900", "700", "/size", "min"});
  EXPECT_EQ(min.Options.SizeMode, smNormal);
  ExpectWindow(min.Options, 0, 0, 600, 400);
}

TEST(ParseArguments, ABadValueShowsTheErrorAndStopsWithoutClamping) {
  const TParsed segm = Parse({"/segm", "x"});
  EXPECT_EQ(segm.Boxes, "E");
  EXPECT_EQ(segm.Options.StartSegmentNumber, 1);

  // Values set before the error stay; what follows it is not read; nothing is clamped.
  const TParsed p = Parse({"/size", "100", "50", "/pos", "-30", "y", "/segm", "4"});
  EXPECT_EQ(p.Boxes, "E");
  ExpectWindow(p.Options, -30, 0, 100, 50);
  EXPECT_EQ(p.Options.StartSegmentNumber, 1);

  for (const std::vector<std::string>& empty :
       {std::vector<std::string>{""}, {"/size", ""}, {"/pos", "10", ""}, {"/segm", ""}}) {
    EXPECT_EQ(Parse(empty).Boxes, "E") << "an empty argument in any state";
  }
}

TEST(ParseArguments, UnknownWordsAndFileNamesAreIgnored) {
  const TParsed p = Parse(
      {"-closeonfinfish", "movie.tqf", "C:\\films\\a b.tqf", "/unknown", "/segm", "3", "/", "-"});
  EXPECT_FALSE(p.Options.CloseOnFinish);
  EXPECT_EQ(p.Options.StartSegmentNumber, 3);
  EXPECT_EQ(p.Boxes, "");
  EXPECT_TRUE(Parse({"-CloseOnFinish"}).Options.CloseOnFinish);
  EXPECT_TRUE(Parse({"/closeonfinish"}).Options.CloseOnFinish);
}

TEST(ParseArguments, AnOptionCutOffAtTheEndChangesNothing) {
  ExpectWindow(Parse({"/size"}).Options, 0, 0, 600, 400);
  const TParsed w = Parse({"/size", "900"});
  ExpectWindow(w.Options, 0, 0, 900, 400);
  EXPECT_EQ(w.Boxes, "");
  EXPECT_EQ(Parse({"/segm"}).Options.StartSegmentNumber, 1);
  ExpectWindow(Parse({"/pos", "30"}).Options, 30, 0, 600, 400);
}

TEST(ParseArguments, HelpIsShownInItsPlaceAndParsingGoesOn) {
  const TParsed p = Parse({"/segm", "2", "/?", "-HELP", "/size", "800", "600", "/segm", "q"});
  EXPECT_EQ(p.Boxes, "HHE");
  EXPECT_EQ(p.Options.StartSegmentNumber, 2);
  EXPECT_EQ(p.Options.StartWidth, 800);
}

TEST(HelpText, TwentyLinesInCodePage1251) {
  using NQuillo::Cp1251ToUtf8;
  EXPECT_EQ(Cp1251ToUtf8(HelpCaption), "Параметры запуска Quillo v1.5");
  const std::string text = HelpText();
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\r');
  EXPECT_EQ(text.find('\n'), std::string::npos);

  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line, '\r');)
    lines.push_back(line);
  const std::vector<std::string> expected = ExpectedHelpLines();
  ASSERT_EQ(lines.size(), expected.size());
  ASSERT_EQ(lines.size(), 20u);
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(Cp1251ToUtf8(lines[i]), expected[i]) << "line " << i + 1;
  EXPECT_EQ(lines[11][0], 'x') << "the first letter of line 12 is the Latin one";
}
