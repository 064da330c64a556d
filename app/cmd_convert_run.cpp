#include "app/cmd_convert_run.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>

extern char** environ;

namespace kestrel {
namespace fs = std::filesystem;
namespace {

// The signal that stops the batch, set by its handler.
volatile std::sig_atomic_t gStopSignal = 0;
extern "C" void OnStopSignal(int signal) {
  gStopSignal = signal;
}

// While it lives, SIGINT and SIGTERM set gStopSignal and are held back except
// while the loop waits for its imports, so that one arriving between two
// waits is seen at the next one. Signals ignored from the start stay ignored.
class StopSignals {
 public:
  StopSignals() {
    gStopSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 2; ++i) {
      sigaction(kSignals[i], &action, &previous_[i]);
      if (previous_[i].sa_handler == SIG_IGN) sigaction(kSignals[i], &previous_[i], nullptr);
    }
    sigset_t held;
    sigemptyset(&held);
    for (int s : kSignals) sigaddset(&held, s);
    sigprocmask(SIG_BLOCK, &held, &waitMask_);
    for (int s : kSignals) sigdelset(&waitMask_, s);
  }
  ~StopSignals() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : kSignals) sigaddset(&held, s);
    sigprocmask(SIG_UNBLOCK, &held, nullptr);
    for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The signal mask to wait with: the stop signals let through.
  const sigset_t* WaitMask() const { return &waitMask_; }

 private:
  static constexpr int kSignals[2] = {SIGINT, SIGTERM};
  struct sigaction previous_[2]{};
  sigset_t waitMask_{};
};

// One import process at work.
struct Running {
  size_t job = 0;
  pid_t pid = -1;
  int errFd = -1;
  fs::path work;    // its work folder, holding out/ for the export
  size_t slot = 0;  // which of the batch's registries it uses
  std::string errText;
  bool signalled = false;  // the stop signal was passed on to it
};

// Folders that runs of `kestrel convert` write into before renaming; the
// name is known to the folder walk, which passes over them.
constexpr const char* kWorkFolderPattern = ".kestrel-convert-XXXXXX";

// A folder for the batch's registries, removed at its end: in memory where the
// system offers a folder there ($XDG_RUNTIME_DIR, /dev/shm), as a registry
// writes each change through to the disk; empty when none could be made.
fs::path MakeRegistryFolder() {
  std::vector<fs::path> places;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    places.emplace_back(runtime);
  places.emplace_back("/dev/shm");
  places.push_back(fs::temp_directory_path());
  for (const fs::path& place : places) {
    std::string folder = (place / "kestrel-convert-XXXXXX").string();
    if (mkdtemp(folder.data())) return folder;
  }
  return {};
}

// Inside a work folder: where the import writes its export.
fs::path ExportFolder(const fs::path& work) {
  return work / "out";
}

std::string OutputFolderOf(const fs::path& output) {
  return output.has_parent_path() ? output.parent_path().string() : std::string(".");
}

// The child's stderr without the program's prefix, lines joined by "; ",
// the file it wrote named as the output it stands for.
std::string MessageOf(const std::string& text, const std::string& written,
                      const std::string& output) {
  std::istringstream lines(text);
  std::string line, message;
  while (std::getline(lines, line)) {
    if (line.starts_with("kestrel: ")) line.erase(0, 9);
    for (size_t at = line.find(written); at != std::string::npos;
         at = line.find(written, at + output.size()))
      line.replace(at, written.size(), output);
    if (line.empty()) continue;
    message += (message.empty() ? "" : "; ") + line;
  }
  return message;
}

// Moves the export's files into the output folder, the output itself last,
// so that its presence means the whole export is there.
std::string Commit(const fs::path& written, const fs::path& output) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(written, ec)) files.push_back(entry.path());
  std::stable_partition(files.begin(), files.end(),
                        [&](const fs::path& f) { return f.filename() != output.filename(); });
  for (const fs::path& file : files) {
    const fs::path target = output.parent_path() / file.filename();
    fs::rename(file, target, ec);
    if (ec) return "cannot move the export to " + target.string() + ": " + ec.message();
  }
  if (!fs::exists(output)) return "the export wrote no file " + output.filename().string();
  return {};
}

class Batch {
 public:
  Batch(const std::vector<ConvertJob>& jobs, const ConvertRunOptions& options, std::ostream& out,
        std::ostream& err)
      : jobs_(jobs), options_(options), out_(out), err_(err) {}

  ConvertOutcome Run() {
    StopSignals signals;
    registry_ = MakeRegistryFolder();
    if (registry_.empty()) {
      const std::string why = "cannot make the batch's registry folder in " +
                              fs::temp_directory_path().string() + ": " + std::strerror(errno);
      for (size_t i = 0; i < jobs_.size(); ++i) Fail(i, why);
      return std::move(outcome_);
    }
    slotBusy_.assign(options_.jobs, false);
    size_t next = 0;
    while ((next < jobs_.size() && !gStopSignal) || !running_.empty()) {
      while (!gStopSignal && next < jobs_.size() && running_.size() < options_.jobs) Start(next++);
      if (gStopSignal) PassOnStop();
      ShowProgress();
      if (!running_.empty()) Wait(signals.WaitMask());
    }
    if (options_.showProgress) err_ << "\r\033[K" << std::flush;
    outcome_.interruptSignal = gStopSignal;
    outcome_.notDone += jobs_.size() - next;
    std::error_code ec;
    fs::remove_all(registry_, ec);
    return std::move(outcome_);
  }

 private:
  void Fail(size_t job, std::string message) {
    outcome_.failed.push_back({jobs_[job].input, std::move(message)});
  }

  void Start(size_t index) {
    const ConvertJob& job = jobs_[index];
    if (!job.problem.empty()) return Fail(index, job.problem);
    std::error_code ec;
    const std::string folder = OutputFolderOf(job.output);
    fs::create_directories(folder, ec);
    std::string pattern = (fs::path(folder) / kWorkFolderPattern).string();
    if (!mkdtemp(pattern.data()))
      return Fail(index, "cannot write into " + folder + ": " + std::strerror(errno));
    Running run;
    run.job = index;
    run.work = pattern;
    fs::create_directory(ExportFolder(run.work), ec);

    std::vector<std::string> args{options_.program.string(), "import", job.input.string()};
    args.insert(args.end(), options_.importArguments.begin(), options_.importArguments.end());
    args.push_back("--export");
    args.push_back((ExportFolder(run.work) / job.output.filename()).string());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    run.slot = size_t(std::find(slotBusy_.begin(), slotBusy_.end(), false) - slotBusy_.begin());
    const std::string registry =
        "KESTREL_REGISTRY=" + (registry_ / ("slot-" + std::to_string(run.slot) + ".ini")).string();
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
      if (!std::string_view(*e).starts_with("KESTREL_REGISTRY=")) envp.push_back(*e);
    envp.push_back(const_cast<char*>(registry.c_str()));
    envp.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
      fs::remove_all(run.work, ec);
      return Fail(index, std::string("cannot start the import: ") + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, stops;
    sigemptyset(&none);
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &stops);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int rc = posix_spawn(&run.pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(fds[1]);
    if (rc != 0) {
      close(fds[0]);
      fs::remove_all(run.work, ec);
      return Fail(index, "cannot start " + args[0] + ": " + std::strerror(rc));
    }
    run.errFd = fds[0];
    slotBusy_[run.slot] = true;
    running_.push_back(std::move(run));
  }

  // Waits until an import writes to stderr or ends, or a stop signal comes.
  void Wait(const sigset_t* waitMask) {
    std::vector<pollfd> fds;
    for (const Running& r : running_) fds.push_back({r.errFd, POLLIN, 0});
    if (ppoll(fds.data(), fds.size(), nullptr, waitMask) <= 0) return;
    for (size_t i = fds.size(); i-- > 0;) {
      if (!fds[i].revents) continue;
      char buffer[4096];
      const ssize_t n = read(running_[i].errFd, buffer, sizeof buffer);
      if (n > 0) {
        running_[i].errText.append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        Finish(running_[i]);
        running_.erase(running_.begin() + static_cast<ptrdiff_t>(i));
      }
    }
  }

  // The import closed its stderr: it is ending.
  void Finish(Running& run) {
    close(run.errFd);
    slotBusy_[run.slot] = false;
    int status = 0;
    while (waitpid(run.pid, &status, 0) < 0 && errno == EINTR) {
    }
    const ConvertJob& job = jobs_[run.job];
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const bool stopped =
        run.signalled && !ok &&
        ((WIFEXITED(status) && WEXITSTATUS(status) == 130) ||
         (WIFSIGNALED(status) && (WTERMSIG(status) == SIGINT || WTERMSIG(status) == SIGTERM)));
    std::string problem;
    if (ok) {
      problem = Commit(ExportFolder(run.work), job.output);
    } else if (!stopped) {
      problem = MessageOf(run.errText, (ExportFolder(run.work) / job.output.filename()).string(),
                          job.output.string());
      if (WIFSIGNALED(status))
        problem += (problem.empty() ? "" : "; ") + std::string("the import ended on signal ") +
                   std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
      if (problem.empty()) problem = "the import failed without saying why";
    }
    std::error_code ec;
    fs::remove_all(run.work, ec);
    if (stopped) {
      ++outcome_.notDone;
    } else if (!problem.empty()) {
      Fail(run.job, problem);
    } else {
      outcome_.converted.push_back(job);
      if (options_.listConverted)
        out_ << job.input.string() << " -> " << job.output.string() << std::endl;
    }
  }

  void PassOnStop() {
    for (Running& r : running_)
      if (!r.signalled) {
        kill(r.pid, gStopSignal);
        r.signalled = true;
      }
  }

  void ShowProgress() {
    if (!options_.showProgress) return;
    err_ << "\r\033[Kkestrel: converted " << outcome_.converted.size() << " of " << jobs_.size();
    if (!outcome_.failed.empty()) err_ << ", " << outcome_.failed.size() << " failed";
    if (gStopSignal) err_ << ", stopping";
    err_ << std::flush;
  }

  const std::vector<ConvertJob>& jobs_;
  const ConvertRunOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  fs::path registry_;           // the folder of the batch's registries
  std::vector<bool> slotBusy_;  // per place of --jobs: an import at work with its registry
  std::vector<Running> running_;
  ConvertOutcome outcome_;
};

}  // namespace

ConvertOutcome RunConversion(const std::vector<ConvertJob>& jobs, const ConvertRunOptions& options,
                             std::ostream& out, std::ostream& err) {
  return Batch(jobs, options, out, err).Run();
}

}  // namespace kestrel
