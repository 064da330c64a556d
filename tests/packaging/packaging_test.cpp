// The installed desktop files, manual page and bash completion held against
// kestrel's own command line: every command and option the help lists is in
// the manual and completed by bash, nothing the manual names is missing from
// the help, and the desktop files agree on the file types and pass their
// validators.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "testing/test_folder.h"

namespace {

namespace fs = std::filesystem;
using Words = std::set<std::string>;

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs a shell command; its stdout, and its exit code in `code`.
std::string Shell(const std::string& command, int* code = nullptr) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  if (code) *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

Words Matches(const std::string& text, const std::string& pattern) {
  Words found;
  const std::regex re(pattern);
  for (auto m = std::sregex_iterator(text.begin(), text.end(), re); m != std::sregex_iterator();
       ++m)
    found.insert((*m)[1].str());
  return found;
}

// The commands of `kestrel --help` with the options of each one's help.
std::map<std::string, Words> CommandLine() {
  std::map<std::string, Words> commands;
  const std::string help = Shell(std::string("'") + KS_KESTREL + "' --help");
  const std::string list = help.substr(help.find("Subcommands:"));
  for (const std::string& command : Matches(list, "\n  ([a-z]+) ")) {
    const std::string own = Shell(std::string("'") + KS_KESTREL + "' " + command + " --help");
    // Option lines start with two spaces and the option's names.
    commands[command] = Matches(own, "\n  (?:-[a-z],)?(--[a-z-]+)");
    for (const std::string& s : Matches(own, "\n  (-[a-z]),")) commands[command].insert(s);
    commands[command].erase("--help");
    commands[command].erase("-h");
  }
  return commands;
}

// The manual with roff's escaped hyphens as plain ones.
std::string Manual() {
  return std::regex_replace(Read(fs::path(KS_PACKAGING) / "kestrel.1"), std::regex(R"(\\-)"), "-");
}

TEST(Manual, KeptInStepWithTheHelp) {
  const auto commands = CommandLine();
  ASSERT_GE(commands.size(), 9u);
  const std::string manual = Manual();
  const size_t commandsAt = manual.find(".SH COMMANDS");
  const std::string synopsis = manual.substr(0, manual.find(".SH DESCRIPTION"));
  const std::string described =
      manual.substr(commandsAt, manual.find(".SH ", commandsAt + 1) - commandsAt);
  Words helpOptions{"--help", "--version"};
  for (const auto& [command, options] : commands) {
    EXPECT_TRUE(std::regex_search(synopsis, std::regex("(kestrel |fB)" + command + "\\b")))
        << command;
    EXPECT_TRUE(
        std::regex_search(described, std::regex("\n\\.B ([^\n]*[^a-z])?" + command + "\\b")))
        << command;
    for (const std::string& option : options) {
      EXPECT_TRUE(std::regex_search(manual, std::regex(option + "\\b")))
          << command << " " << option;
      helpOptions.insert(option);
    }
  }
#ifdef KS_WITH_GUI
  for (const std::string& option : Matches(manual, "(--[a-z][a-z-]*)"))
    EXPECT_TRUE(helpOptions.count(option)) << option << " is in the manual but not in any help";
#endif
}

class CompletionTest : public ::testing::Test {
 protected:
  ks::testing::TestFolder folder_{"ks-completion"};

  // What bash completes for the words of a command line ending in `cur`.
  Words Complete(const std::string& line) {
    const fs::path script = folder_.path() / "complete.sh";
    std::ofstream(script) << "source /usr/share/bash-completion/bash_completion\n"
                          << "source '" << KS_PACKAGING << "/kestrel.bash-completion'\n"
                          << "cd '" << folder_.path().string() << "'\n"
                          << "COMP_LINE='" << line << "'; COMP_POINT=${#COMP_LINE}\n"
                          << "read -ra COMP_WORDS <<<\"$COMP_LINE\"\n"
                          << "[[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')\n"
                          << "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                          << "_kestrel kestrel \"${COMP_WORDS[-1]}\" \"${COMP_WORDS[-2]}\"\n"
                          << "printf '%s\\n' \"${COMPREPLY[@]}\"\n";
    Words words;
    std::istringstream out(Shell("bash '" + script.string() + "'"));
    for (std::string word; std::getline(out, word);)
      if (!word.empty()) words.insert(word);
    return words;
  }
};

TEST_F(CompletionTest, CommandsOptionsAndFileTypes) {
  ASSERT_TRUE(fs::exists("/usr/share/bash-completion/bash_completion"))
      << "bash-completion is not installed (scripts/setup.sh installs it)";
  const auto commands = CommandLine();
  Words names;
  for (const auto& [command, options] : commands) {
    names.insert(command);
    Words offered = Complete("kestrel " + command + " -");
    for (const std::string& option : options)
      EXPECT_TRUE(offered.count(option)) << "kestrel " << command << " " << option;
  }
  const Words first = Complete("kestrel ");
  for (const std::string& name : names) EXPECT_TRUE(first.count(name)) << name;

  for (const char* name : {"a.obj", "b.3DS", "c.dxf", "d.inc", "notes.txt", "pic.png"})
    std::ofstream(folder_.path() / name) << "";
  fs::create_directory(folder_.path() / "sub");
  EXPECT_EQ(Complete("kestrel import "), (Words{"a.obj", "b.3DS", "c.dxf", "d.inc", "sub"}));
  EXPECT_EQ(Complete("kestrel convert --to "), (Words{"glb", "gltf", "obj", "ply", "stl", "dae"}));
  EXPECT_EQ(Complete("kestrel render a.obj -o "), (Words{"pic.png", "sub"}));
  EXPECT_EQ(Complete("kestrel convert -o "), (Words{"sub"}));
}

// The MIME types a file names, in the form `pattern` captures them.
Words TypesIn(const std::string& file, const std::string& pattern) {
  Words types;
  for (const std::string& list : Matches(Read(fs::path(KS_PACKAGING) / file), pattern)) {
    std::istringstream items(list);
    for (std::string type; std::getline(items, type, ';');)
      if (!type.empty()) types.insert(type);
  }
  return types;
}

TEST(DesktopFiles, AgreeOnTheFileTypesAndPassTheirValidators) {
  const Words types = TypesIn("kestrel-mime.xml", "mime-type type=\"([^\"]+)\"");
  EXPECT_EQ(types.size(), 4u);
  EXPECT_EQ(TypesIn("kestrel.desktop", "\nMimeType=([^\n]*)"), types);
  EXPECT_EQ(TypesIn("kestrel.thumbnailer", "\nMimeType=([^\n]*)"), types);
  EXPECT_EQ(TypesIn("org.example.kestrel.metainfo.xml", "<mediatype>([^<]+)</mediatype>"), types);

  int code = 0;
  const std::string folder = KS_PACKAGING;
  std::string said = Shell("desktop-file-validate '" + folder + "/kestrel.desktop' 2>&1", &code);
  EXPECT_EQ(code, 0) << said;
  EXPECT_EQ(said, "");
  said = Shell("appstreamcli validate --no-net --pedantic '" + folder +
                   "/org.example.kestrel.metainfo.xml' 2>&1",
               &code);
  EXPECT_EQ(code, 0) << said;
}

}  // namespace
