#include "readers/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/imp_dxf.h"
#include "readers/imp_obj.h"
#include "readers/imp_pov.h"
#include "tests/readers/text_reader_fixture.h"

namespace ks::readers::testing {
namespace {

// UTF-8 text (well formed) as UTF-16 bytes with a byte-order mark.
std::string ToUtf16(std::string_view utf8, bool bigEndian) {
  std::u16string units;
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t cp = length == 1 ? b : b & (0xFF >> (length + 1));
    for (int k = 1; k < length; ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    i += static_cast<size_t>(length);
    if (cp >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(cp);
    }
  }
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t u : units) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}

std::string Convert(std::string_view bytes, bool bigEndian, size_t piece) {
  Utf16ToUtf8 decoder(bigEndian);
  std::string out;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    const std::string_view in = bytes.substr(at, piece);
    std::string buffer(Utf16ToUtf8::MaxOutput(in.size()), '\0');
    out.append(buffer.data(), decoder.Convert(in, buffer.data()));
  }
  char tail[8];
  out.append(tail, decoder.Finish(tail));
  return out;
}

// Greek, a CJK sign and a character beyond the Basic Multilingual Plane.
const std::string kMixed = "v 1 2 3 \xCE\xB1\xCE\xB2 \xE6\xA8\xA1 \xF0\x9F\x98\x80 end";

TEST(Utf16ToUtf8Test, AnySplitOfTheInputGivesTheSameText) {
  for (bool big : {false, true}) {
    const std::string bytes = ToUtf16(kMixed, big).substr(2);
    for (size_t piece : {1, 2, 3, 5, 64}) EXPECT_EQ(Convert(bytes, big, piece), kMixed) << piece;
  }
}

TEST(Utf16ToUtf8Test, BrokenSequencesBecomeReplacementCharacters) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(Convert(std::string("\x00\xD8"
                                "a\x00",
                                4),
                    false, 1),
            fffd + "a");  // lone high
  EXPECT_EQ(Convert(std::string("\x00\xDC"
                                "a\x00",
                                4),
                    false, 3),
            fffd + "a");  // lone low
  EXPECT_EQ(Convert(std::string("a\x00"
                                "b",
                                3),
                    false, 2),
            "a" + fffd);                                           // odd byte
  EXPECT_EQ(Convert(std::string("\x00\xD8", 2), false, 2), fffd);  // high at end
}

TEST(ByteOrderMarkTest, MarksAreRecognisedOnlyAtTheirFullLength) {
  EXPECT_EQ(DetectByteOrderMark("\xEF\xBB\xBFv").encoding, TextEncoding::Utf8);
  EXPECT_EQ(DetectByteOrderMark("\xEF\xBB\xBFv").length, 3u);
  EXPECT_EQ(DetectByteOrderMark("\xFF\xFEv").encoding, TextEncoding::Utf16LE);
  EXPECT_EQ(DetectByteOrderMark("\xFE\xFF").encoding, TextEncoding::Utf16BE);
  EXPECT_EQ(DetectByteOrderMark("\xEF\xBB").encoding, TextEncoding::Bytes);
  EXPECT_EQ(DetectByteOrderMark("v 1").length, 0u);
}

// Every encoding of one text reads as the same lines, in both line modes and
// from a file or from memory; UTF-16 characters count two each.
class EncodedLinesTest : public TextReaderTest {
 protected:
  // From a file, or from memory when fromMemory is set.
  std::vector<std::string> ReadAll(const std::string& bytes, int32_t mode, bool fromMemory,
                                   int64_t& chars) {
    const std::string path = Write("lines.txt", bytes);
    if (fromMemory) state_->source.UseMemory(std::string_view(bytes));
    state_->file->Open(path);
    state_->source.UseFiles();
    state_->LineMode = mode;
    state_->CharsRead = 0;
    std::vector<std::string> lines;
    while (!state_->file->AtEnd() && lines.size() < 100) lines.emplace_back(ReadLine(*state_));
    chars = state_->CharsRead;
    state_->CloseFiles();
    return lines;
  }
};

TEST_F(EncodedLinesTest, MarkedFilesReadAsTheirUtf8Text) {
  const std::string text = kMixed + "\r\n\r\nx\ry\n" + kMixed;
  for (int32_t mode : {0, 1}) {
    int64_t plainChars = 0;
    const auto plain = ReadAll(text, mode, false, plainChars);
    for (bool chunk : {false, true}) {
      int64_t chars = 0;
      EXPECT_EQ(ReadAll("\xEF\xBB\xBF" + text, mode, chunk, chars), plain) << chunk;
      EXPECT_EQ(chars, plainChars);
      for (bool big : {false, true}) {
        EXPECT_EQ(ReadAll(ToUtf16(text, big), mode, chunk, chars), plain) << chunk << big;
        EXPECT_EQ(chars, 2 * plainChars);
      }
    }
  }
}

// Each text reader takes a marked file as it takes the plain one.
TEST_F(EncodedLinesTest, ReadersImportMarkedFilesWhole) {
  struct Case {
    std::string name;
    std::string text;
    int32_t triangles;
  };
  const std::vector<Case> cases = {
      {"a.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n# Object B\xC3\xA4r\n", 1},
      {"a.dxf",
       "0\n3DFACE\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n12\n1\n22\n1\n32\n0\n"
       "13\n1\n23\n1\n33\n0\n0\nEOF\n",
       2},
      {"a.inc", "#declare \xC3\x84pfel = mesh {\ntriangle { <0,0,0>, <1,0,0>, <0,1,0> }\n}\n", 1},
  };
  for (const Case& c : cases) {
    for (const std::string& bytes :
         {"\xEF\xBB\xBF" + c.text, ToUtf16(c.text, false), ToUtf16(c.text, true)}) {
      CollectionRef list = std::make_shared<Collection>();
      const std::string path = Write(c.name, bytes);
      if (c.name == "a.obj") CImp_OBJ(*state_).Load(path, list);
      if (c.name == "a.dxf") CImp_DXF(*state_).Load(path, list);
      if (c.name == "a.inc") CImp_POV(*state_).Load(path, list);
      ASSERT_EQ(list->Count(), 1) << c.name;
      EXPECT_EQ(ObjectAt(list, 1)->TriangleCount(), c.triangles) << c.name;
      EXPECT_EQ(ObjectAt(list, 1)->VertexCount(), c.name == "a.dxf" ? 4 : 3) << c.name;
      if (c.name == "a.inc") {
        EXPECT_EQ(ObjectAt(list, 1)->Name(), "\xC3\x84pfel");
      }
    }
  }
}

}  // namespace
}  // namespace ks::readers::testing
