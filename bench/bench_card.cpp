// Reads a camera card at a card's speed: the project's FUSE file system serves a folder of 100
// photos of about 6 MB read-only, at most 80 MB/s, one request at a time, 1 ms per open, and the
// kernel keeps what it read until the card is mounted afresh. Each round mounts the card afresh for
// each of three readers, in an order that alternates from round to round, and times them:
//   cat    every photo to /dev/null: the card's own speed;
//   cp     cp -r of the photo folder onto the disk, then sync;
//   Start  the program's Start button (the real job, the screen faked) onto the disk, then sync.
// It prints the medians with their spread and, last, `card speed reached: N%` (100 x cat / Start).
//
//   bench_card [--rounds N] [--photos N] [--dest FOLDER] [--card FOLDER] [--mbps R] [--open-ms T]
//   bench_card --reference CARDFS.PY [--python PYTHON] [--rounds N] [--photos N] ...
//
// --dest is where the copies go (on the disk; default /var/tmp), --card where the card's backing
// folder is made (default /dev/shm, so that the card's own reads never wait on the disk the copies
// go to). --reference times only `cat`, on this card and on the reference card of CARDFS.PY run
// with PYTHON (default /usr/bin/python3, which python3-fusepy serves; it needs root) over the same
// photos, alternating, and prints how far apart they are.
//
// Mounting needs root, or read and write access to /dev/fuse (and fusermount3); without them it
// says so and ends with status 3. Status 1 is a failed run, 2 a wrong command line.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/headless.h"
#include "tools/fusefs/served_mount.h"

namespace fs = std::filesystem;
using pixferry::bench::Program;
namespace fusefs = pixferry::fusefs;

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNoFuse = 3;
constexpr const char* kWorkPrefix = "pixferry-bench-card-";
constexpr const char* kPhotoFolder = "DCIM/100CAMERA";

// A run that cannot go on; main removes what the run made and ends with status.
struct Stop : std::runtime_error {
  Stop(const std::string& what, int code) : std::runtime_error(what), status(code) {}
  int status;
};

// The card's mount point while it is mounted, for the one thing an interrupt does: detach it, so
// that a reader of the card fails at once and the run ends through its clean-up.
char g_mounted_at[4096];
volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
  g_interrupted = 1;
  if (g_mounted_at[0] != '\0') umount2(g_mounted_at, MNT_DETACH);
}

void CheckInterrupted() {
  if (g_interrupted) throw Stop("interrupted", kFailed);
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

std::string Quoted(const fs::path& p) {
  std::string out = "'";
  for (const char c : p.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw Stop("failed: " + command, kFailed);
}

// Incompressible, different in every photo, about 6 MB each (5.64 to 6.24 MB).
std::uint64_t MakeCard(const fs::path& folder, int photos) {
  fs::create_directories(folder);
  std::uint64_t state = 0x9E3779B97F4A7C15u, total = 0;
  const auto next = [&state] {
    state += 0x9E3779B97F4A7C15u;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  };
  std::vector<std::uint64_t> words;
  char name[32];
  for (int i = 1; i <= photos; ++i) {
    const std::size_t size = 5640000 + next() % 600000;
    words.resize(size / 8 + 1);
    for (std::uint64_t& w : words) w = next();
    std::snprintf(name, sizeof name, "IMG_%04d.JPG", i);
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(size));
    if (!out) throw Stop("cannot write the card's photo " + (folder / name).string(), kFailed);
    total += size;
  }
  return total;
}

// Removes what a measure made: only ever a folder inside the benchmark's own work folder.
void RemoveInside(const fs::path& work, const fs::path& victim) {
  const std::string w = work.string() + "/";
  if (victim.string().rfind(w, 0) != 0 || work.filename().string().rfind(kWorkPrefix, 0) != 0) {
    throw Stop("refusing to remove " + victim.string(), kFailed);
  }
  fs::remove_all(victim);
}

// A fresh folder for the benchmark under base.
fs::path MakeWorkFolder(const fs::path& base) {
  std::string path = (base / (std::string(kWorkPrefix) + "XXXXXX")).string();
  if (mkdtemp(path.data()) == nullptr) {
    throw Stop("cannot make a work folder under " + base.string() + ": " + std::strerror(errno),
               kFailed);
  }
  return path;
}

// A card mounted for one reader: the project's file system, or the reference's script.
class Card {
 public:
  virtual ~Card() = default;
  // Ends the mount; the kernel forgets what it read.
  virtual void Unmount() = 0;
};

class ProjectCard : public Card {
 public:
  ProjectCard(const fs::path& backing, const fs::path& mount_point, const fusefs::CardRates& rates)
      : served_(backing.string(), mount_point.string(), {fusefs::Mode::kCard, 0, rates}) {
    if (!served_.mounted()) {
      throw Stop("cannot mount the card at " + mount_point.string() + ": " + served_.error(),
                 kNoFuse);
    }
    std::snprintf(g_mounted_at, sizeof g_mounted_at, "%s", mount_point.c_str());
  }
  ~ProjectCard() override { ProjectCard::Unmount(); }
  void Unmount() override {
    g_mounted_at[0] = '\0';
    if (const std::string problem = served_.Unmount(); !problem.empty() && !g_interrupted) {
      std::cerr << "the card came down unclean: " << problem << "\n";
    }
  }

 private:
  fusefs::ServedMount served_;
};

// The reference card: the script runs in the foreground until its mount goes away.
class ReferenceCard : public Card {
 public:
  ReferenceCard(const std::string& python, const std::string& script, const fs::path& backing,
                const fs::path& mount_point, const fusefs::CardRates& rates)
      : mount_point_(mount_point) {
    struct stat before {};
    if (stat(mount_point.c_str(), &before) != 0) throw Stop("no mount point", kFailed);
    const std::string mbps = std::to_string(rates.bytes_per_second / 1e6);
    const std::string open_ms = std::to_string(rates.open_seconds * 1e3);
    const std::string b = backing.string(), m = mount_point.string();
    const char* argv[] = {python.c_str(),  script.c_str(), "--mbps",  mbps.c_str(), "--open-ms",
                          open_ms.c_str(), b.c_str(),      m.c_str(), nullptr};
    if (posix_spawn(&pid_, python.c_str(), nullptr, nullptr, const_cast<char* const*>(argv),
                    environ) != 0) {
      throw Stop("cannot start " + python + " " + script, kFailed);
    }
    // Mounted once the mount point is another file system's root.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (struct stat now{};;) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        throw Stop("the reference card ended before it was mounted (" + python + " " + script + ")",
                   kFailed);
      }
      if (stat(mount_point.c_str(), &now) == 0 && now.st_dev != before.st_dev) break;
      if (std::chrono::steady_clock::now() > deadline) {
        Unmount();
        throw Stop("the reference card was not mounted within 20 s", kFailed);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::snprintf(g_mounted_at, sizeof g_mounted_at, "%s", mount_point.c_str());
  }
  ~ReferenceCard() override { ReferenceCard::Unmount(); }
  void Unmount() override {
    if (pid_ < 0) return;
    g_mounted_at[0] = '\0';
    if (umount2(mount_point_.c_str(), 0) != 0) umount2(mount_point_.c_str(), MNT_DETACH);
    if (!fusefs::Reap(pid_, std::chrono::seconds(10))) {
      std::cerr << "the reference card did not end after its unmount, and was killed\n";
    }
    pid_ = -1;
  }

 private:
  fs::path mount_point_;
  pid_t pid_ = -1;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// "9.72 s (9.60-9.90)"
std::string Figure(const std::vector<double>& seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f s (%.2f-%.2f)", Median(seconds),
                *std::min_element(seconds.begin(), seconds.end()),
                *std::max_element(seconds.begin(), seconds.end()));
  return text;
}

struct Settings {
  int rounds = 5;
  int photos = 100;
  fs::path dest = "/var/tmp";
  fs::path card_base = "/dev/shm";
  fusefs::CardRates rates;
  std::string reference;  // the reference card's script: compare the two cards' cat
  std::string python = "/usr/bin/python3";
};

// One reader's time on a card mounted afresh for it.
using Reader = std::function<double()>;
double OnFreshCard(const std::function<std::unique_ptr<Card>()>& mount, const Reader& reader) {
  Run("sync");  // what the last reader wrote is not this one's to flush
  const std::unique_ptr<Card> card = mount();
  double seconds = 0;
  try {
    seconds = reader();
  } catch (...) {
    CheckInterrupted();
    throw;
  }
  card->Unmount();
  CheckInterrupted();
  return seconds;
}

double TimeCommand(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  Run(command);
  return Seconds(std::chrono::steady_clock::now() - start);
}

double TimeStart(const fs::path& source, const fs::path& cases, int expected) {
  fs::create_directories(cases);
  Program p;
  p.ReadyStart(source.string(), cases.string());
  const auto start = std::chrono::steady_clock::now();
  p.main->cmdStartCopy_Click();
  Run("sync");
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  CheckInterrupted();
  if (!p.CopiedCleanly(expected)) throw Stop("the program's copy failed", kFailed);
  return seconds;
}

void Measure(const Settings& s, const fs::path& work, const fs::path& backing,
             std::uint64_t bytes) {
  const fs::path mount_point = work / "card";
  fs::create_directory(mount_point);
  const fs::path photos = mount_point / kPhotoFolder;
  const auto project = [&] { return std::make_unique<ProjectCard>(backing, mount_point, s.rates); };
  const std::string cat = "cat " + Quoted(photos) + "/* > /dev/null";
  std::printf(
      "card: %d photos, %.0f MB, read at %.0f MB/s with %.1f ms per open (%.2f s of "
      "reading and opening alone); copies to %s\n",
      s.photos, static_cast<double>(bytes) / 1e6, s.rates.bytes_per_second / 1e6,
      s.rates.open_seconds * 1e3,
      static_cast<double>(bytes) / s.rates.bytes_per_second + s.photos * s.rates.open_seconds,
      work.c_str());
  std::fflush(stdout);

  if (!s.reference.empty()) {
    const auto reference = [&] {
      return std::make_unique<ReferenceCard>(s.python, s.reference, backing, mount_point, s.rates);
    };
    std::vector<double> ours, theirs;
    for (int round = 0; round < s.rounds; ++round) {
      const auto time_ours = [&] {
        ours.push_back(OnFreshCard(project, [&] { return TimeCommand(cat); }));
      };
      const auto time_theirs = [&] {
        theirs.push_back(OnFreshCard(reference, [&] { return TimeCommand(cat); }));
      };
      if (round % 2 == 0) {
        time_ours();
        time_theirs();
      } else {
        time_theirs();
        time_ours();
      }
      std::printf("  round %d: cat on this card %.2f s, on the reference card %.2f s\n", round + 1,
                  ours.back(), theirs.back());
      std::fflush(stdout);
    }
    std::vector<double> apart;
    for (int i = 0; i < s.rounds; ++i) apart.push_back(100 * (ours[i] / theirs[i] - 1));
    const double median_apart = 100 * (Median(ours) / Median(theirs) - 1);
    std::printf("\ncat of the card, median of %d rounds (lowest-highest)\n", s.rounds);
    std::printf("  this card (tools/fusefs)   %s\n", Figure(ours).c_str());
    std::printf("  the reference card         %s\n", Figure(theirs).c_str());
    std::printf(
        "this card's time differs from the reference card's by %+.1f%% (rounds: %+.1f%% to "
        "%+.1f%%); within 5%%: %s\n",
        median_apart, *std::min_element(apart.begin(), apart.end()),
        *std::max_element(apart.begin(), apart.end()), std::abs(median_apart) <= 5 ? "yes" : "no");
    return;
  }

  std::vector<double> cats, cps, starts, reached;
  for (int round = 0; round < s.rounds; ++round) {
    const fs::path cp_dest = work / "cp", cases = work / "cases";
    double cat_s = 0, cp_s = 0, start_s = 0;
    const std::function<void()> readers[] = {
        [&] { cat_s = OnFreshCard(project, [&] { return TimeCommand(cat); }); },
        [&] {
          cp_s = OnFreshCard(project, [&] {
            return TimeCommand("cp -r " + Quoted(photos) + " " + Quoted(cp_dest) + " && sync");
          });
        },
        [&] { start_s = OnFreshCard(project, [&] { return TimeStart(photos, cases, s.photos); }); },
    };
    // The order turns round every other round, so that the machine's other work and a disk
    // still busy with the last copy weigh on every reader alike.
    if (round % 2 == 0) {
      for (const auto& reader : readers) reader();
    } else {
      for (int i = 2; i >= 0; --i) readers[i]();
    }
    cats.push_back(cat_s);
    cps.push_back(cp_s);
    starts.push_back(start_s);
    reached.push_back(100 * cat_s / start_s);
    std::printf("  round %d: cat %.2f s, cp -r + sync %.2f s, Start + sync %.2f s (%.0f%%)\n",
                round + 1, cat_s, cp_s, start_s, reached.back());
    std::fflush(stdout);
    RemoveInside(work, cp_dest);
    RemoveInside(work, cases);
    Run("sync");
  }
  std::vector<double> against_cp;
  for (int i = 0; i < s.rounds; ++i) against_cp.push_back(starts[i] / cps[i]);
  std::printf("\nmedian of %d rounds (lowest-highest)\n", s.rounds);
  std::printf("  cat of every photo      %s\n", Figure(cats).c_str());
  std::printf("  cp -r + sync            %s  %.0f%% of the card's speed\n", Figure(cps).c_str(),
              100 * Median(cats) / Median(cps));
  std::printf("  Start + sync            %s  %.2fx cp -r + sync (%.2f-%.2fx)\n",
              Figure(starts).c_str(), Median(against_cp),
              *std::min_element(against_cp.begin(), against_cp.end()),
              *std::max_element(against_cp.begin(), against_cp.end()));
  std::printf("  card speed reached per round: %.0f-%.0f%%\n",
              *std::min_element(reached.begin(), reached.end()),
              *std::max_element(reached.begin(), reached.end()));
  std::printf("card speed reached: %.0f%%\n", 100 * Median(cats) / Median(starts));
}

[[noreturn]] void Usage() {
  std::cerr << "usage: bench_card [--rounds N] [--photos N] [--dest FOLDER] [--card FOLDER] "
               "[--mbps R] [--open-ms T] [--reference CARDFS.PY [--python PYTHON]]\n";
  std::exit(kUsage);
}

Settings Parse(int argc, char** argv) {
  Settings s;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (i + 1 >= argc) Usage();
    const char* value = argv[++i];
    if (arg == "--rounds") {
      s.rounds = std::max(1, std::atoi(value));
    } else if (arg == "--photos") {
      s.photos = std::max(1, std::atoi(value));
    } else if (arg == "--dest") {
      s.dest = value;
    } else if (arg == "--card") {
      s.card_base = value;
    } else if (arg == "--mbps") {
      s.rates.bytes_per_second = std::atof(value) * 1e6;
    } else if (arg == "--open-ms") {
      s.rates.open_seconds = std::atof(value) / 1e3;
    } else if (arg == "--reference") {
      s.reference = value;
    } else if (arg == "--python") {
      s.python = value;
    } else {
      Usage();
    }
  }
  if (!(s.rates.bytes_per_second > 0) || s.rates.open_seconds < 0) Usage();
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  Settings s = Parse(argc, argv);
  if (geteuid() != 0 && access("/dev/fuse", R_OK | W_OK) != 0) {
    std::cerr << "bench_card: mounting the card needs root, or read and write access to /dev/fuse ("
              << std::strerror(errno) << "); run it as root\n";
    return kNoFuse;
  }
  if (!s.reference.empty() && geteuid() != 0) {
    std::cerr << "bench_card: the reference card needs root\n";
    return kNoFuse;
  }
  if (!fs::is_directory(s.card_base) || access(s.card_base.c_str(), W_OK) != 0) {
    s.card_base = s.dest;
  }
  struct sigaction interrupt {};
  interrupt.sa_handler = OnInterrupt;
  sigaction(SIGINT, &interrupt, nullptr);
  sigaction(SIGTERM, &interrupt, nullptr);

  fs::path work, card_work;
  int status = 0;
  try {
    work = MakeWorkFolder(s.dest);
    card_work = s.card_base == s.dest ? work : MakeWorkFolder(s.card_base);
    std::printf("making the card: %d photos in %s...\n", s.photos, card_work.c_str());
    std::fflush(stdout);
    const fs::path backing = card_work / "backing";
    const std::uint64_t bytes = MakeCard(backing / kPhotoFolder, s.photos);
    Measure(s, work, backing, bytes);
  } catch (const Stop& stop) {
    std::cerr << "bench_card: " << stop.what() << "\n";
    status = stop.status;
  } catch (const std::exception& e) {
    std::cerr << "bench_card: " << e.what() << "\n";
    status = kFailed;
  }
  // Only ever the folders made here; the mount point is an empty folder once the card is
  // unmounted, and is never walked into.
  try {
    for (const fs::path& folder : {card_work, work}) {
      if (folder.empty() || !fs::exists(folder)) continue;
      for (const char* inside : {"backing", "cp", "cases"}) RemoveInside(folder, folder / inside);
      std::error_code ignored;
      fs::remove(folder / "card", ignored);
      fs::remove(folder, ignored);
    }
  } catch (const std::exception& e) {
    std::cerr << "bench_card: cannot remove its work folders: " << e.what() << "\n";
    if (status == 0) status = kFailed;
  }
  return status;
}
