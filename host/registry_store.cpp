#include "registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "com_error.h"
#include "ini_settings.h"

namespace ks {
namespace {

// Numbers as the store writes them: shortest round trip is not needed, the
// digits of the type are.
std::string NumberText(double value, int digits) {
  char text[40];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}

// Values are stored as "<type>:<text>" so that they read back with their type.
std::string Encode(const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean:
      return std::string("B:") + (v.ToBool() ? "1" : "0");
    case VarType::Integer:
      return "I2:" + std::to_string(v.ToInteger());
    case VarType::Long:
      return "I4:" + std::to_string(v.ToLong());
    case VarType::Single:
      return "R4:" + NumberText(v.ToSingle(), 9);
    case VarType::Double:
      return "R8:" + NumberText(v.ToDouble(), 17);
    case VarType::String:
      return "SZ:" + v.ToString();
    default:
      throw ComError(err::kTypeMismatch, "The registry cannot store a value of type " +
                                             std::string(TypeName(v.type())));
  }
}

// The number in text, or 0 when it is not one (or out of T's range).
template <class T>
T NumberOr0(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '+')) text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value : T{};
}

std::optional<Variant> Decode(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return Variant(text);
  const std::string_view tag = std::string_view(text).substr(0, colon);
  const std::string_view body = std::string_view(text).substr(colon + 1);
  if (tag == "B") return Variant(body == "1");
  if (tag == "I2") return Variant(NumberOr0<int16_t>(body));
  if (tag == "I4") return Variant(NumberOr0<int32_t>(body));
  if (tag == "R4") return Variant(NumberOr0<float>(body));
  if (tag == "R8") return Variant(NumberOr0<double>(body));
  if (tag == "SZ") return Variant(std::string(body));
  return Variant(text);
}

std::string RootName(int32_t root) {
  switch (root) {
    case kHkeyClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case kHkeyCurrentUser:
      return "HKEY_CURRENT_USER";
    case kHkeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case kHkeyUsers:
      return "HKEY_USERS";
    default: {
      char name[16];
      std::snprintf(name, sizeof name, "ROOT_%08x", static_cast<uint32_t>(root));
      return name;
    }
  }
}

// Settings keys use "/" as separator; registry paths use "\".
std::string KeyPath(int32_t root, std::string_view subkey) {
  std::string path = RootName(root);
  size_t start = 0;
  while (start <= subkey.size()) {
    size_t end = subkey.find('\\', start);
    if (end == std::string_view::npos) end = subkey.size();
    if (end > start) path += "/" + std::string(subkey.substr(start, end - start));
    start = end + 1;
  }
  return path;
}

std::string ValueKey(int32_t root, std::string_view subkey, std::string_view name) {
  return KeyPath(root, subkey) + "/" + (name.empty() ? std::string("@Default") : std::string(name));
}

std::string FileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The settings in the file; none when there is no file or it cannot be read
// (an unreadable file is set aside before anything is read or written).
IniSettings ReadSettings(const std::filesystem::path& file) {
  return IniSettings::Parse(FileText(file)).value_or(IniSettings());
}

[[noreturn]] void Unwritable(const std::filesystem::path& file, const std::string& why) {
  throw ComError(err::kPathNotFound,
                 "The registry file " + file.string() + " cannot be written: " + why,
                 "Kestrel.Registry");
}

// Whether the file reads as settings text.
bool ReadableIni(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.eof() && in.fail()) return false;
  return IniSettings::Parse(text).has_value();
}

// file.unreadable-<UTC time>, with a number added when that name is taken.
std::filesystem::path SetAsideName(const std::filesystem::path& file) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
  std::filesystem::path aside = file.string() + ".unreadable-" + stamp;
  std::error_code ec;
  for (int n = 2; std::filesystem::exists(aside, ec); ++n)
    aside = file.string() + ".unreadable-" + stamp + "-" + std::to_string(n);
  return aside;
}

// The copy a change is written to is named <file>.writing-XXXXXX (earlier
// builds also left <copy>.lock and <copy>.XXXXXX beside it). All of them
// begin with this suffix of the name.
constexpr std::string_view kCopySuffix = ".writing-";

// Removes what writers killed in the middle of a change left behind: every
// file named after a copy. Called under the write lock, which every writer
// holds from before it creates its copy until the copy is gone, so none of
// these belongs to a live writer.
void RemoveLeftCopies(const std::filesystem::path& file) {
  const std::string prefix = file.filename().string() + std::string(kCopySuffix);
  std::error_code ec;
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  std::vector<std::filesystem::path> left;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().filename().string().starts_with(prefix)) left.push_back(it->path());
  for (const auto& path : left) std::filesystem::remove(path, ec);
}

}  // namespace

RegistryStore::RegistryStore(std::filesystem::path file) : file_(std::move(file)) {
  if (file_.has_parent_path()) {
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
  }
  SetAsideIfUnreadable();
}

std::optional<std::string> RegistryStore::TakeNotice() {
  std::optional<std::string> notice;
  notice.swap(notice_);
  return notice;
}

void RegistryStore::SetAsideIfUnreadable() {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file_, ec) || ReadableIni(file_)) return;
  const std::filesystem::path aside = SetAsideName(file_);
  std::filesystem::rename(file_, aside, ec);
  if (ec) {
    notice_ = "The registry file " + file_.string() + " cannot be read and cannot be set aside (" +
              ec.message() + ")";
    return;
  }
  notice_ = "The registry file " + file_.string() + " could not be read; it was kept as " +
            aside.string() + " and a new one started";
}

template <class Change>
void RegistryStore::Modify(Change&& change) {
  const std::string lockName = file_.string() + ".writelock";
  const int lock = open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) Unwritable(file_, "its lock file cannot be created");
  struct Unlock {
    int fd;
    ~Unlock() { close(fd); }  // closing releases the lock
  } unlock{lock};
  while (flock(lock, LOCK_EX) != 0)
    if (errno != EINTR) Unwritable(file_, "it cannot be locked");

  SetAsideIfUnreadable();
  RemoveLeftCopies(file_);
  IniSettings settings = ReadSettings(file_);
  if (!change(settings)) return;  // nothing to change
  // The new contents go to a copy under a new name that then replaces the file.
  std::string temp = file_.string() + std::string(kCopySuffix) + "XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) Unwritable(file_, "no file can be created beside it");
  // The new file keeps the permissions of the one it replaces.
  if (struct stat now{}; stat(file_.c_str(), &now) == 0) (void)fchmod(fd, now.st_mode & 07777);
  close(fd);
  struct Remove {
    std::string name;
    ~Remove() {
      if (!name.empty()) unlink(name.c_str());
    }
  } remove{temp};
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << settings.Text();
    out.flush();
    if (!out) Unwritable(file_, "the new contents cannot be written");
  }
  const int written = open(temp.c_str(), O_RDONLY | O_CLOEXEC);
  const bool flushed = written >= 0 && fsync(written) == 0;
  if (written >= 0) close(written);
  if (!flushed || std::rename(temp.c_str(), file_.c_str()) != 0)
    Unwritable(file_, "the new contents cannot be put in its place");
  remove.name.clear();
}

std::filesystem::path RegistryStore::DefaultLocation() {
  if (const char* env = std::getenv("KESTREL_REGISTRY"); env && *env) return env;
  std::filesystem::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    config = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    config = std::filesystem::path(home) / ".config";
  else
    config = std::filesystem::temp_directory_path();
  return config / "kestrel" / "registry.ini";
}

std::optional<Variant> RegistryStore::Read(int32_t root, std::string_view subkey,
                                           std::string_view name) const {
  const auto text = ReadSettings(file_).Value(ValueKey(root, subkey, name));
  if (!text) return std::nullopt;
  return Decode(*text);
}

void RegistryStore::Write(int32_t root, std::string_view subkey, std::string_view name,
                          const Variant& value) {
  const std::string encoded = Encode(value);
  const std::string key = ValueKey(root, subkey, name);
  // Writing a value the store already holds would only rewrite the file (and
  // wait for the disk): every start registers the plug-ins again, every
  // import remembers its folder again.
  if (ReadSettings(file_).Value(key) == encoded) return;
  Modify([&](IniSettings& s) { return s.Set(key, encoded); });
}

void RegistryStore::DeleteValue(int32_t root, std::string_view subkey, std::string_view name) {
  Modify([&](IniSettings& s) { return s.Remove(ValueKey(root, subkey, name)); });
}

void RegistryStore::DeleteKey(int32_t root, std::string_view subkey) {
  Modify([&](IniSettings& s) { return s.Remove(KeyPath(root, subkey)); });
}

std::vector<std::string> RegistryStore::SubKeys(int32_t root, std::string_view subkey) const {
  return ReadSettings(file_).ChildGroups(KeyPath(root, subkey));
}

}  // namespace ks
