// The settings file must read back in Qt's QSettings and the other way
// round: random keys and values written by each are read by the other, and
// odd hand-written files are refused or read as QSettings reads them.
#include "host/ini_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QSettings>
#include <QString>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

namespace {

using Map = std::map<std::string, std::string>;

std::filesystem::path TempFile(const std::string& name) {
  static int serial = 0;
  // A new name each time: QSettings keeps what it read of a file per name.
  return std::filesystem::temp_directory_path() /
         ("ks_ini_" + std::to_string(::getpid()) + "_" + std::to_string(serial++) + name);
}

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

Map ReadWithQt(const std::filesystem::path& p, QSettings::Status* status = nullptr) {
  QSettings s(QString::fromStdString(p.string()), QSettings::IniFormat);
  Map out;
  for (const QString& key : s.allKeys())
    out[key.toStdString()] = s.value(key).toString().toStdString();
  if (status) *status = s.status();
  return out;
}

Map ReadWithOurs(const ks::IniSettings& settings, const Map& keys) {
  Map out;
  for (const auto& [key, value] : keys)
    if (auto v = settings.Value(key)) out[key] = *v;
  return out;
}

// Random text from pieces that need escaping in keys or values.
std::string RandomText(std::mt19937& rng, bool forKey) {
  static const std::vector<std::string> kPieces = {"a",
                                                   "Z",
                                                   "7",
                                                   "_",
                                                   "-",
                                                   ".",
                                                   " ",
                                                   "@",
                                                   "%",
                                                   "=",
                                                   ";",
                                                   ",",
                                                   "\"",
                                                   "#",
                                                   "[",
                                                   "]",
                                                   "x",
                                                   "e",
                                                   "\xC3\xA9",
                                                   "\xE4\xB8\xAD",
                                                   "\xF0\x9F\x98\x80",
                                                   "%41",
                                                   "%U0041",
                                                   "\xC2\xA0"};
  static const std::vector<std::string> kValueOnly = {
      "\\", "\t", "\n", "\r", std::string(1, '\0'), "\x01", "\x1f", "\x7f", "\\x41", "\\n"};
  std::string text;
  const int length = int(rng() % 7) + (forKey ? 1 : 0);
  for (int i = 0; i < length; ++i) {
    const bool valueOnly = !forKey && rng() % 4 == 0;
    const auto& pieces = valueOnly ? kValueOnly : kPieces;
    text += pieces[rng() % pieces.size()];
  }
  return text;
}

std::string RandomKey(std::mt19937& rng) {
  std::string key = RandomText(rng, true);
  for (int parts = int(rng() % 3); parts > 0; --parts) key += "/" + RandomText(rng, true);
  return key;
}

TEST(IniSettings, RandomKeysAndValuesReadBackInQSettingsAndBack) {
  std::mt19937 rng(11);
  for (int round = 0; round < 60; ++round) {
    Map written;
    ks::IniSettings ours;
    for (int i = int(rng() % 12) + 1; i > 0; --i) {
      std::string key = RandomKey(rng), value = RandomText(rng, false);
      // A key is either a value or a group, never both.
      bool clash = false;
      for (const auto& [k, v] : written)
        clash |= k.starts_with(key + "/") || key.starts_with(k + "/") || k == key;
      if (clash) continue;
      written[key] = value;
      ours.Set(key, value);
    }
    // Ours written, read by QSettings and by ours.
    const auto file = TempFile(".ini");
    WriteFile(file, ours.Text());
    QSettings::Status status{};
    EXPECT_EQ(ReadWithQt(file, &status), written) << ours.Text();
    EXPECT_EQ(status, QSettings::NoError);
    const auto again = ks::IniSettings::Parse(ours.Text());
    ASSERT_TRUE(again);
    EXPECT_EQ(ReadWithOurs(*again, written), written);
    std::filesystem::remove(file);

    // QSettings written, read by ours.
    const auto qtFile = TempFile(".ini");
    {
      QSettings s(QString::fromStdString(qtFile.string()), QSettings::IniFormat);
      for (const auto& [key, value] : written)
        s.setValue(QString::fromStdString(key),
                   QString::fromUtf8(value.data(), qsizetype(value.size())));
    }
    const std::string qtText = ReadFile(qtFile);
    const auto parsed = ks::IniSettings::Parse(qtText);
    ASSERT_TRUE(parsed) << qtText;
    EXPECT_EQ(ReadWithOurs(*parsed, written), written) << qtText;
    std::filesystem::remove(qtFile);
  }
}

// Hand-written files: refused exactly where QSettings finds a format error,
// and read as QSettings reads them otherwise.
TEST(IniSettings, HandWrittenFilesReadAsQSettingsReadsThem) {
  const std::vector<std::string> texts = {
      "[a]\nx=1\n",
      "x=1\n",
      "[a\nx=1\n",
      "garbage\n",
      "#note\n[a]\nx=1\n",
      ";note\n[a]\nk = v ; comment\n",
      "[a]\nk=\"a,b\"\n",
      "[a]\nk=a, b\n",
      "[a]\nk=line\\\n  continued\n",
      "[General]\nk=v\n[%General]\nk=w\n",
      "[a]\nk=\\x41\\x42\\101\n",
      "[a]\nk=@@x\n",
      "[a]\n  k  =  v  \n",
      "[a]\nk==v\n",
      "[a]\r\nk=v\r\n\r\n[b]\r\nj=\"w\"\r\n",
      "[a%2Fb]\nc\\d=1\n",
      "[a]\nk=\"open\n",
      "[a]\nk=\" spaced \"\n",
      "[a]\nk=x\"y\"z\n",
  };
  for (const std::string& text : texts) {
    const auto file = TempFile(".ini");
    WriteFile(file, text);
    QSettings::Status status{};
    const Map qt = ReadWithQt(file, &status);
    const auto ours = ks::IniSettings::Parse(text);
    EXPECT_EQ(ours.has_value(), status == QSettings::NoError) << text;
    if (ours && status == QSettings::NoError) {
      EXPECT_EQ(ReadWithOurs(*ours, qt), qt) << text;
    }
    std::filesystem::remove(file);
  }
  EXPECT_FALSE(ks::IniSettings::Parse("[a]\nk=\xFF\n"));  // not UTF-8
  // A byte-order mark, as some editors write one, is passed over.
  const auto marked = ks::IniSettings::Parse("\xEF\xBB\xBF[a]\nk=v\n");
  ASSERT_TRUE(marked);
  EXPECT_EQ(marked->Value("a/k"), "v");
}

TEST(IniSettings, RemoveTakesTheKeyAndEverythingBelowAndGroupsAreListedOnce) {
  ks::IniSettings s;
  for (const char* key : {"R/a/x", "R/a/b/y", "R/a/b/z", "R/ab/w", "R/c/v", "R/top"})
    s.Set(key, "1");
  EXPECT_EQ(s.ChildGroups("R"), (std::vector<std::string>{"a", "ab", "c"}));
  EXPECT_EQ(s.ChildGroups("R/a"), (std::vector<std::string>{"b"}));
  EXPECT_FALSE(s.Set("R/top", "1"));
  EXPECT_TRUE(s.Remove("R/a"));
  EXPECT_FALSE(s.Value("R/a/b/y"));
  EXPECT_EQ(s.Value("R/ab/w"), "1");
  EXPECT_FALSE(s.Remove("R/a"));
  EXPECT_EQ(s.ChildGroups("R"), (std::vector<std::string>{"ab", "c"}));
}

}  // namespace
