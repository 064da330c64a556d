#include "registry_store.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <cstdlib>

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

void CheckStatus(QSettings& s, const std::filesystem::path& file) {
  if (s.status() != QSettings::NoError)
    throw ComError(err::kPathNotFound, "The registry file " + file.string() + " cannot be written",
                   "Kestrel.Registry");
}

}  // namespace

RegistryStore::RegistryStore(std::filesystem::path file) : file_(std::move(file)) {
  if (file_.has_parent_path()) {
    std::error_code ec;
    std::filesystem::create_directories(file_.parent_path(), ec);
  }
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
  QString encoded = Encode(value);
  QSettings s(FileName(file_), QSettings::IniFormat);
  s.beginGroup(KeyPath(root, subkey));
  // Writing a value the store already holds would only rewrite the file (and
  // wait for the disk): every start registers the plug-ins again, every
  // import remembers its folder again.
  const QVariant stored = s.value(ValueKey(name));
  if (stored.isValid() && stored.toString() == encoded) return;
  s.setValue(ValueKey(name), encoded);
  s.endGroup();
  s.sync();
  CheckStatus(s, file_);
}

void RegistryStore::DeleteValue(int32_t root, std::string_view subkey, std::string_view name) {
  QSettings s(FileName(file_), QSettings::IniFormat);
  s.beginGroup(KeyPath(root, subkey));
  s.remove(ValueKey(name));
  s.endGroup();
  s.sync();
  CheckStatus(s, file_);
}

void RegistryStore::DeleteKey(int32_t root, std::string_view subkey) {
  QSettings s(FileName(file_), QSettings::IniFormat);
  s.remove(KeyPath(root, subkey));
  s.sync();
  CheckStatus(s, file_);
}

std::vector<std::string> RegistryStore::SubKeys(int32_t root, std::string_view subkey) const {
  QSettings s(FileName(file_), QSettings::IniFormat);
  s.beginGroup(KeyPath(root, subkey));
  std::vector<std::string> out;
  for (const QString& g : s.childGroups()) out.push_back(g.toStdString());
  return out;
}

}  // namespace ks
