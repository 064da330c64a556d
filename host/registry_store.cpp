#include "registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QSettings>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "com_error.h"

namespace ks {
namespace {

// Values are stored as "<type>:<text>" so that they read back with their type.
QString Encode(const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean:
      return QString("B:") + (v.ToBool() ? "1" : "0");
    case VarType::Integer:
      return QString("I2:%1").arg(v.ToInteger());
    case VarType::Long:
      return QString("I4:%1").arg(v.ToLong());
    case VarType::Single:
      return "R4:" + QString::number(v.ToSingle(), 'g', 9);
    case VarType::Double:
      return "R8:" + QString::number(v.ToDouble(), 'g', 17);
    case VarType::String:
      return "SZ:" + QString::fromStdString(v.ToString());
    default:
      throw ComError(err::kTypeMismatch, "The registry cannot store a value of type " +
                                             std::string(TypeName(v.type())));
  }
}

std::optional<Variant> Decode(const QString& text) {
  int colon = text.indexOf(':');
  if (colon < 0) return Variant(text.toStdString());
  QString tag = text.left(colon), body = text.mid(colon + 1);
  if (tag == "B") return Variant(body == "1");
  if (tag == "I2") return Variant(static_cast<int16_t>(body.toShort()));
  if (tag == "I4") return Variant(static_cast<int32_t>(body.toInt()));
  if (tag == "R4") return Variant(body.toFloat());
  if (tag == "R8") return Variant(body.toDouble());
  if (tag == "SZ") return Variant(body.toStdString());
  return Variant(text.toStdString());
}

QString RootName(int32_t root) {
  switch (root) {
    case kHkeyClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case kHkeyCurrentUser:
      return "HKEY_CURRENT_USER";
    case kHkeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case kHkeyUsers:
      return "HKEY_USERS";
    default:
      return QString("ROOT_%1").arg(static_cast<uint32_t>(root), 8, 16, QChar('0'));
  }
}

// INI groups use "/" as separator; registry paths use "\".
QString KeyPath(int32_t root, std::string_view subkey) {
  QString path = RootName(root);
  QString sub = QString::fromUtf8(subkey.data(), static_cast<qsizetype>(subkey.size()));
  for (const QString& part : sub.split('\\', Qt::SkipEmptyParts)) path += "/" + part;
  return path;
}

QString ValueKey(std::string_view name) {
  if (name.empty()) return "@Default";
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString FileName(const std::filesystem::path& p) {
  return QString::fromStdString(p.string());
}

[[noreturn]] void Unwritable(const std::filesystem::path& file, const std::string& why) {
  throw ComError(err::kPathNotFound,
                 "The registry file " + file.string() + " cannot be written: " + why,
                 "Kestrel.Registry");
}

std::optional<QString> ReadEncoded(const std::filesystem::path& file, int32_t root,
                                   std::string_view subkey, std::string_view name) {
  QSettings s(FileName(file), QSettings::IniFormat);
  s.beginGroup(KeyPath(root, subkey));
  const QVariant v = s.value(ValueKey(name));
  if (!v.isValid()) return std::nullopt;
  return v.toString();
}

// Whether the file reads as the INI text the store writes: UTF-8 lines that
// are empty, comments, [sections] or key=value pairs (a line ending in "\"
// continues on the next), and QSettings finds no format error in it.
bool ReadableIni(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.eof() && in.fail()) return false;
  const QByteArray bytes = QByteArray::fromStdString(text);
  if (QString::fromUtf8(bytes).toUtf8() != bytes) return false;  // not UTF-8
  bool continued = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    for (char c : line)
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return false;
    const bool wasContinued = continued;
    continued = !line.empty() && line.back() == '\\';
    if (wasContinued || line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[' ? line.back() != ']'
                       : line.find('=') == std::string_view::npos || line.find('=') == 0)
      return false;
  }
  QSettings s(FileName(file), QSettings::IniFormat);
  return s.status() == QSettings::NoError;
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

// The copy a change is written to is named <file>.writing-XXXXXX; QSettings
// adds its own lock (<copy>.lock) and save file (<copy>.XXXXXX) beside the
// copy while it writes it. All of them begin with this suffix of the name.
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
  // The change is made on a copy under a new name, so QSettings reads the
  // file as it is now (never an older state it keeps for the process).
  std::string temp = file_.string() + std::string(kCopySuffix) + "XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) Unwritable(file_, "no file can be created beside it");
  close(fd);
  struct Remove {
    std::string name;
    ~Remove() {
      if (!name.empty()) unlink(name.c_str());
    }
  } remove{temp};
  std::error_code ec;
  if (std::filesystem::exists(file_, ec))
    std::filesystem::copy_file(file_, temp, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) Unwritable(file_, ec.message());
  {
    QSettings s(FileName(temp), QSettings::IniFormat);
    if (!change(s)) return;  // nothing to change
    s.sync();
    if (s.status() != QSettings::NoError) Unwritable(file_, "the new contents cannot be written");
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
  QSettings s(FileName(file_), QSettings::IniFormat);
  s.beginGroup(KeyPath(root, subkey));
  QVariant v = s.value(ValueKey(name));
  if (!v.isValid()) return std::nullopt;
  return Decode(v.toString());
}

void RegistryStore::Write(int32_t root, std::string_view subkey, std::string_view name,
                          const Variant& value) {
  const QString encoded = Encode(value);
  // Writing a value the store already holds would only rewrite the file (and
  // wait for the disk): every start registers the plug-ins again, every
  // import remembers its folder again.
  if (auto stored = ReadEncoded(file_, root, subkey, name); stored && *stored == encoded) return;
  Modify([&](QSettings& s) {
    s.beginGroup(KeyPath(root, subkey));
    const QVariant now = s.value(ValueKey(name));
    if (now.isValid() && now.toString() == encoded) return false;
    s.setValue(ValueKey(name), encoded);
    s.endGroup();
    return true;
  });
}

void RegistryStore::DeleteValue(int32_t root, std::string_view subkey, std::string_view name) {
  Modify([&](QSettings& s) {
    s.beginGroup(KeyPath(root, subkey));
    s.remove(ValueKey(name));
    s.endGroup();
    return true;
  });
}

void RegistryStore::DeleteKey(int32_t root, std::string_view subkey) {
  Modify([&](QSettings& s) {
    s.remove(KeyPath(root, subkey));
    return true;
  });
}

std::vector<std::string> RegistryStore::SubKeys(int32_t root, std::string_view subkey) const {
  QSettings s(FileName(file_), QSettings::IniFormat);
  s.beginGroup(KeyPath(root, subkey));
  std::vector<std::string> out;
  for (const QString& g : s.childGroups()) out.push_back(g.toStdString());
  return out;
}

}  // namespace ks
