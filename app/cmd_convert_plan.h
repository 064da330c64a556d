#pragma once
// What `kestrel convert` will do: the input files (folders walked for the
// four importable extensions) and, for each, the file its export goes to.
#include <filesystem>
#include <string>
#include <vector>

namespace kestrel {

struct ConvertJob {
  std::filesystem::path input;
  std::filesystem::path output;  // empty when `problem` says why it cannot be converted
  std::string problem;
};

struct ConvertPlanRequest {
  std::vector<std::filesystem::path> arguments;  // files and folders
  std::string to = "glb";                        // export extension
  std::filesystem::path outputFolder;            // empty: beside each input
};

// One job per input file, in argument order; a folder's files sorted by
// path. A file found in a folder keeps its place below that folder in the
// output folder. An output that would replace an input of the batch or
// another job's output is named after the input's extension too
// ("part_3ds.glb"); one still taken is a problem of that job.
std::vector<ConvertJob> PlanConversion(const ConvertPlanRequest& request);

// The extensions folders are searched for (lower case, without the dot).
bool IsImportableExtension(const std::filesystem::path& file);

}  // namespace kestrel
