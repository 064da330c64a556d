// kestrel thumbnail IN OUT.png SIZE
//
// The command behind the desktop's thumbnailer: imports IN (a path or a
// file:// URI) through the KsImport plug-in and writes a square PNG of at
// most SIZE pixels a side, drawn as `kestrel render` draws, the objects
// alone on a clear background. The picture is written under a temporary name
// and renamed to OUT once whole; a file that cannot be imported or drawn
// leaves no picture and ends with a non-zero exit code.
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/cmd_thumbnail_simplify.h"
#include "app/commands.h"
#include "app/modules/module_api.h"
#include "app/modules/modules.h"
#include "app/plugin_import.h"

namespace kestrel {
namespace fs = std::filesystem;
namespace {

// Scenes above this many triangles are simplified before they are drawn.
constexpr int64_t kThumbnailTriangleBudget = 200'000;
constexpr int kLargestThumbnail = 4096;

struct ThumbnailCommandOptions {
  std::string input;
  fs::path output;
  int size = 0;
  fs::path registryFolder;  // the run's own registry, removed at the end
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Removes a folder when it goes out of scope.
struct FolderRemover {
  fs::path folder;
  ~FolderRemover() {
    std::error_code ec;
    if (!folder.empty()) fs::remove_all(folder, ec);
  }
};

int RunThumbnail(AppContext& ctx, const ThumbnailCommandOptions& opt) {
  FolderRemover registry{opt.registryFolder};
  std::string file;
  if (!FileOfUri(opt.input, file)) {
    std::cerr << "kestrel: " << opt.input << " is not a local file\n";
    return kExitFailed;
  }
  if (!ctx.modules.Preload(true, false, std::cerr)) return kExitFailed;
  ImportOptions import;
  import.file = file;
  ImportOutcome outcome = ImportThroughPlugin(ctx, import);
  if (!outcome.finished || outcome.exitCode != kExitOk) {
    std::cerr << "kestrel: no thumbnail of " << file << ": it could not be imported\n";
    return outcome.exitCode == kExitOk ? kExitFailed : outcome.exitCode;
  }
  if (SimplifyForThumbnail(*outcome.scene, kThumbnailTriangleBudget, opt.size) == 0) {
    std::cerr << "kestrel: " << file << " holds no triangles to draw\n";
    return kExitFailed;
  }

  const fs::path folder = opt.output.has_parent_path() ? opt.output.parent_path() : ".";
  std::string temporary = (folder / ".kestrel-thumbnail-XXXXXX.png").string();
  const int fd = mkstemps(temporary.data(), 4);
  if (fd < 0) {
    std::cerr << "kestrel: cannot write into " << folder.string() << ": " << std::strerror(errno)
              << "\n";
    return kExitFailed;
  }
  // Made for reading by others as a picture saved plainly would be.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  PictureJob job;
  job.output = temporary;
  job.width = job.height = opt.size;
  job.transparent = true;
  int rc = ctx.modules.Render().writeScenePicture(*outcome.scene, job, std::cerr);
  std::error_code ec;
  if (rc == kExitOk) {
    fs::rename(temporary, opt.output, ec);
    if (ec) {
      std::cerr << "kestrel: cannot write the picture " << opt.output.string() << ": "
                << ec.message() << "\n";
      rc = kExitFailed;
    }
  }
  if (rc != kExitOk) fs::remove(temporary, ec);
  return rc;
}

}  // namespace

bool FileOfUri(const std::string& text, std::string& file) {
  constexpr std::string_view kScheme = "file://";
  if (text.find("://") == std::string::npos) {
    file = text;
    return true;
  }
  if (!text.starts_with(kScheme)) return false;
  // file:///path or file://localhost/path
  std::string_view rest = std::string_view(text).substr(kScheme.size());
  if (rest.starts_with("localhost/")) rest.remove_prefix(9);
  if (!rest.starts_with("/")) return false;
  file.clear();
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && HexDigit(rest[i + 1]) >= 0 &&
        HexDigit(rest[i + 2]) >= 0) {
      file += static_cast<char>(HexDigit(rest[i + 1]) * 16 + HexDigit(rest[i + 2]));
      i += 2;
    } else {
      file += rest[i];
    }
  }
  return true;
}

void AddThumbnailCommand(CLI::App& app, CommandRunner& runner) {
  auto opt = std::make_shared<ThumbnailCommandOptions>();
  auto* cmd = app.add_subcommand(
      "thumbnail", "Write a square PNG thumbnail of a mesh file (for the desktop's file manager)");
  cmd->add_option("IN", opt->input, "the file to draw: a path or a file:// URI")->required();
  cmd->add_option("OUT", opt->output, "the PNG to write")->required();
  cmd->add_option("SIZE", opt->size, "the thumbnail's side in pixels")
      ->required()
      ->check(CLI::Range(1, kLargestThumbnail));
  cmd->callback([&runner, opt] {
    // A registry of its own, so that drawing thumbnails never changes the
    // folder or format the import dialog remembers.
    std::string folder = (fs::temp_directory_path() / "kestrel-thumbnail-XXXXXX").string();
    if (mkdtemp(folder.data())) {
      opt->registryFolder = folder;
      setenv("KESTREL_REGISTRY", (fs::path(folder) / "registry.ini").c_str(), 1);
    }
    runner = [opt](AppContext& ctx) { return RunThumbnail(ctx, *opt); };
  });
}

}  // namespace kestrel
