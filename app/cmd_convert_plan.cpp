#include "app/cmd_convert_plan.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "import/import_formats.h"

namespace kestrel {
namespace fs = std::filesystem;
namespace {

// Folders that runs of `kestrel convert` work in while they write.
constexpr std::string_view kWorkFolderPrefix = ".kestrel-convert-";

std::string LowerExtension(const fs::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// The files of a folder and its subfolders that can be imported, sorted.
std::vector<fs::path> WalkFolder(const fs::path& folder, std::string& problem) {
  std::vector<fs::path> files;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && it->path().filename().string().starts_with(kWorkFolderPrefix)) {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_regular_file(ec) && IsImportableExtension(it->path())) files.push_back(it->path());
  }
  if (ec) problem = "cannot read the folder: " + ec.message();
  std::sort(files.begin(), files.end());
  return files;
}

// The same file, whether named relatively or not.
fs::path Normal(const fs::path& p) {
  std::error_code ec;
  fs::path absolute = fs::weakly_canonical(p, ec);
  return ec ? fs::absolute(p).lexically_normal() : absolute;
}

}  // namespace

bool IsImportableExtension(const fs::path& file) {
  const std::string ext = file.extension().string();
  return !ext.empty() && ks::importer::FormatIndex(std::string_view(ext).substr(1)) >= 0;
}

std::vector<ConvertJob> PlanConversion(const ConvertPlanRequest& request) {
  std::vector<ConvertJob> jobs;
  for (const fs::path& argument : request.arguments) {
    std::error_code ec;
    if (fs::is_directory(argument, ec)) {
      std::string problem;
      for (const fs::path& file : WalkFolder(argument, problem)) {
        fs::path folder =
            request.outputFolder.empty()
                ? file.parent_path()
                : (request.outputFolder / file.parent_path().lexically_relative(argument))
                      .lexically_normal();
        jobs.push_back({file, folder / file.stem(), {}});
      }
      if (!problem.empty()) jobs.push_back({argument, {}, problem});
    } else if (fs::exists(argument, ec)) {
      fs::path folder =
          request.outputFolder.empty() ? argument.parent_path() : request.outputFolder;
      jobs.push_back({argument, folder / argument.stem(), {}});
    } else {
      jobs.push_back({argument, {}, "no such file or folder"});
    }
  }

  // Outputs so far hold the stem only; name them, then settle clashes.
  std::set<fs::path> inputs;
  std::multiset<fs::path> wanted;
  for (ConvertJob& job : jobs) {
    if (!job.problem.empty()) continue;
    job.output += "." + request.to;
    inputs.insert(Normal(job.input));
    wanted.insert(Normal(job.output));
  }
  std::set<fs::path> taken = inputs;
  for (ConvertJob& job : jobs) {
    if (!job.problem.empty()) continue;
    const fs::path plain = Normal(job.output);
    if (wanted.count(plain) == 1 && !inputs.count(plain) && taken.insert(plain).second) continue;
    fs::path named = job.output;
    named.replace_filename(job.input.stem().string() + "_" + LowerExtension(job.input).substr(1) +
                           "." + request.to);
    if (taken.insert(Normal(named)).second) {
      job.output = named;
    } else {
      job.problem = "its output " + job.output.string() + " is taken by another file of the batch";
      job.output.clear();
    }
  }
  return jobs;
}

}  // namespace kestrel
