#include "readers/text_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/com_error.h"
#include "reader_test_support.h"

namespace ks::readers {
namespace {

int32_t ErrorNumber(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const ComError& e) {
    return e.number();
  }
  return 0;
}

TEST(NextTokenTest, CutsWordsAtSpacesOnly) {
  std::string_view text = "  v  1.0 2.0 ";
  EXPECT_EQ(NextToken(text), "v");
  EXPECT_EQ(text, " 1.0 2.0 ");
  EXPECT_EQ(NextToken(text), "1.0");
  EXPECT_EQ(NextToken(text), "2.0");
  EXPECT_EQ(text, "");
  EXPECT_EQ(NextToken(text), "");

  std::string_view tabbed = "1\t2 3";  // a tab is an ordinary character
  EXPECT_EQ(NextToken(tabbed), "1\t2");
  EXPECT_EQ(NextToken(tabbed), "3");

  std::string_view blank = "    ";
  EXPECT_EQ(NextToken(blank), "");
  EXPECT_EQ(blank, "");
}

TEST(ParseFaceCornerTest, ReadsTheFourCornerForms) {
  struct Case {
    std::string_view text;
    int32_t vertex, normal;
  };
  const std::vector<Case> cases = {
      {"7", 7, 0},         {"7//3", 7, 3},   {"7/2", 7, 0}, {"7/2/3", 7, 3},
      {"-1//-2", -1, -2},  {"x", 0, 0},      {"", 0, 0},    {"//4", 0, 4},
      {"7a/1/2", 7, 2},    {"7//3x", 7, 0},  {"2.5", 2, 0}, {"3.5//0.5", 4, 0},
      {"1e2/5/6", 100, 6}, {"+4//+5", 4, 5}, {"inf", 0, 0}, {"7x", 0, 0},
  };
  for (const Case& c : cases) {
    std::string_view text = c.text;
    int32_t vertex = -99, normal = -99;
    ParseFaceCorner(text, vertex, normal);
    EXPECT_EQ(vertex, c.vertex) << c.text;
    EXPECT_EQ(normal, c.normal) << c.text;
  }
  std::string_view several = " 1/2/3  4//5 ";
  int32_t vertex = 0, normal = 0;
  ParseFaceCorner(several, vertex, normal);
  EXPECT_EQ(vertex, 1);
  EXPECT_EQ(normal, 3);
  ParseFaceCorner(several, vertex, normal);
  EXPECT_EQ(vertex, 4);
  EXPECT_EQ(normal, 5);

  // The text is left as NextToken leaves it, whichever way the corner was read.
  for (std::string_view text : {"1/2/3   ", "1x   ", "5  6", "5x  6"}) {
    std::string_view viaCorner = text;
    std::string_view viaToken = text;
    ParseFaceCorner(viaCorner, vertex, normal);
    NextToken(viaToken);
    EXPECT_EQ(viaCorner, viaToken) << text;
  }

  std::string_view huge = "99999999999";
  EXPECT_EQ(ErrorNumber([&] { ParseFaceCorner(huge, vertex, normal); }), err::kOverflow);
}

TEST(ToNumberTest, ReadsCompleteNumbersWithPointOnly) {
  EXPECT_FLOAT_EQ(ToNumber("1.5"), 1.5f);
  EXPECT_FLOAT_EQ(ToNumber("  -2e3 "), -2000.0f);
  EXPECT_FLOAT_EQ(ToNumber("+.25"), 0.25f);
  EXPECT_EQ(ToNumber("1,5"), 0.0f);
  EXPECT_EQ(ToNumber("12abc"), 0.0f);
  EXPECT_EQ(ToNumber(""), 0.0f);
  EXPECT_EQ(ToNumber("nan"), 0.0f);
  EXPECT_EQ(ErrorNumber([] { ToNumber("1e39"); }), err::kOverflow);
}

TEST(ReplaceAllTest, ReplacesFromTheStartOnWithoutRescanning) {
  std::string name = "my  box";
  ReplaceAll(1, " ", "_", name);
  EXPECT_EQ(name, "my__box");

  std::string later = "a b c";
  ReplaceAll(3, " ", "_", later);
  EXPECT_EQ(later, "a b_c");

  std::string grows = "a b";
  ReplaceAll(1, " ", "  ", grows);  // inserted text is never searched again
  EXPECT_EQ(grows, "a  b");

  std::string overlap = "aaa";
  ReplaceAll(1, "aa", "a", overlap);
  EXPECT_EQ(overlap, "aa");

  std::string beyond = "abc";
  ReplaceAll(10, "a", "x", beyond);
  EXPECT_EQ(beyond, "abc");

  EXPECT_EQ(ErrorNumber([&] { ReplaceAll(1, "", "x", beyond); }), err::kInvalidCall);
  EXPECT_EQ(ErrorNumber([&] { ReplaceAll(0, "a", "x", beyond); }), err::kInvalidCall);
}

TEST(SplitFileNameTest, SplitsAtTheLastBackslashOrSlash) {
  std::string path = "C:\\dir\\my box.obj";
  EXPECT_EQ(SplitFileName(path), "my box");
  EXPECT_EQ(path, "C:\\dir\\");

  path = "/home/me/models/teapot.obj";
  EXPECT_EQ(SplitFileName(path), "teapot");
  EXPECT_EQ(path, "/home/me/models/");

  path = "C:\\dir/sub\\cube.obj";
  EXPECT_EQ(SplitFileName(path), "cube");
  EXPECT_EQ(path, "C:\\dir/sub\\");

  path = "cube.obj";
  EXPECT_EQ(SplitFileName(path), "cube");
  EXPECT_EQ(path, "cube");

  path = "/dir/caf\xC3\xA9.\xC3\xA9xt";  // the last 4 characters, not bytes
  EXPECT_EQ(SplitFileName(path), "caf\xC3\xA9");

  path = "abc";
  EXPECT_EQ(ErrorNumber([&] { SplitFileName(path); }), err::kInvalidCall);
}

// ---------------------------------------------------------------- ReadLine

class ReadLineTest : public testing::ReaderTest {
 protected:
  // Every line of the bytes read in one mode, from a file or from memory.
  std::vector<std::string> ReadAll(std::string_view bytes, int32_t mode, bool fromMemory,
                                   int64_t* chars = nullptr) {
    const std::string file = WriteFile("lines.txt", bytes);
    if (fromMemory) state_.source.UseMemory(bytes);
    state_.file->Open(fromMemory ? "anything.txt" : file);
    state_.source.UseFiles();
    state_.LineMode = mode;
    state_.CharsRead = 0;
    std::vector<std::string> lines;
    while (!state_.file->AtEnd() && lines.size() < 100) lines.emplace_back(ReadLine(state_));
    if (chars) *chars = state_.CharsRead;
    state_.CloseFiles();
    return lines;
  }
  static constexpr bool kSources[] = {false, true};
};

TEST_F(ReadLineTest, Mode0EndsLinesAtCrCrLfAndLoneLf) {
  for (bool memory : kSources) {
    int64_t chars = 0;
    EXPECT_EQ(ReadAll("ab\r\ncd\ref\ngh", 0, memory, &chars),
              (std::vector<std::string>{"ab", "cd", "ef", "gh"}))
        << memory;
    EXPECT_EQ(chars, 8) << "terminators are not counted";
    EXPECT_EQ(ReadAll("a\r\r\n\nb\r\n", 0, memory), (std::vector<std::string>{"a", "", "", "b"}))
        << memory;
  }
}

TEST_F(ReadLineTest, Mode1EndsLinesAtEachCrOrLf) {
  for (bool memory : kSources) {
    int64_t chars = 0;
    EXPECT_EQ(ReadAll("a\r\nb", 1, memory, &chars), (std::vector<std::string>{"a", "", "b"}))
        << memory;
    EXPECT_EQ(chars, 4) << "every character counts";
    EXPECT_EQ(ReadAll("a\nb\n", 1, memory), (std::vector<std::string>{"a", "b"})) << memory;
  }
}

TEST_F(ReadLineTest, LinesLongerThanTheBufferAndTheLastLine) {
  const std::string longLine(1000, 'x');
  for (bool memory : kSources) {
    EXPECT_EQ(ReadAll(longLine + "\n" + longLine, 0, memory),
              (std::vector<std::string>{longLine, longLine}))
        << memory;
  }
  EXPECT_TRUE(ReadAll("", 0, false).empty());
  EXPECT_TRUE(ReadAll("", 0, true).empty());
}

TEST_F(ReadLineTest, OtherModesReadNothing) {
  state_.file->Open(WriteFile("x.txt", "abc\n"));
  state_.LineMode = 2;
  EXPECT_EQ(ReadLine(state_), "");
  EXPECT_EQ(state_.CharsRead, 0);
  EXPECT_FALSE(state_.file->AtEnd());
}

TEST_F(ReadLineTest, LineStaysValidWhileTheEndIsTested) {
  state_.file->Open(WriteFile("x.txt", "abc\nd"));
  state_.LineMode = 1;
  const std::string_view first = ReadLine(state_);
  EXPECT_FALSE(state_.file->AtEnd());
  EXPECT_EQ(first, "abc");
  EXPECT_EQ(ReadLine(state_), "d");
  EXPECT_EQ(state_.file->LineNumber(), 2);
  EXPECT_TRUE(state_.file->AtEnd());
  EXPECT_EQ(ReadLine(state_), "");
}

TEST_F(ReadLineTest, SkipToLineEndReportsTheFirstTerminator) {
  state_.file->Open(WriteFile("a.txt", "abcd\r\nx"));
  EXPECT_EQ(state_.file->SkipToLineEnd(), '\r');
  state_.file->Open(WriteFile("b.txt", "abcd"));
  EXPECT_EQ(state_.file->SkipToLineEnd(), -1);
}

TEST_F(ReadLineTest, OpenErrorsNameTheFile) {
  auto openError = [&](const std::string& name) {
    try {
      state_.file->Open(name);
    } catch (const ComError& e) {
      EXPECT_NE(e.description().find(name), std::string::npos) << e.description();
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(openError((dir_ / "missing.obj").string()), err::kFileNotFound);
  EXPECT_EQ(openError((dir_ / "no-folder" / "x.obj").string()), err::kPathNotFound);
  EXPECT_EQ(openError(dir_.string()), 75);
  EXPECT_EQ(ErrorNumber([&] { state_.file->Open(""); }), err::kBadFileName);
  EXPECT_FALSE(state_.file->IsOpen());
  EXPECT_EQ(ErrorNumber([&] { ReadLine(state_); }), err::kBadFileName);
}

}  // namespace
}  // namespace ks::readers
