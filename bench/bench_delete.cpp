// The tree deletion against `rm -rf` on identical trees: by default 50 folders of 1000 files,
// 5 rounds, each round deleting one tree with each in turns that alternate who goes first.
// Everything happens inside a fresh folder of its own under the given folder (by default the
// system's temporary folder; /dev/shm measures tmpfs).
//   bench_delete [folders] [files per folder] [rounds] [folder]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "cleanse/mdlDeleteTree.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// Refuses to delete anything that is not below the benchmark's own folder.
void Guard(const fs::path& base, const fs::path& victim) {
  const std::string b = base.string() + '/';
  if (base.filename().string().rfind("pixferry-bench-", 0) != 0 ||
      victim.string().compare(0, b.size(), b) != 0) {
    std::fprintf(stderr, "refusing to delete %s\n", victim.string().c_str());
    std::exit(2);
  }
}

// A card folder as a camera leaves it: folders of small photo files.
void MakeTree(const fs::path& root, int folders, int files) {
  const std::string content(2048, 'x');
  for (int f = 0; f < folders; ++f) {
    char folder_name[32];
    std::snprintf(folder_name, sizeof folder_name, "%03dMEDIA", 100 + f);
    const fs::path folder = root / folder_name;
    fs::create_directories(folder);
    for (int i = 0; i < files; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "IMG_%04d.JPG", i);
      std::ofstream(folder / name, std::ios::binary) << content;
    }
  }
}

double Median(const std::vector<double>& sorted) {
  const std::size_t n = sorted.size();
  return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  std::fprintf(stderr, "this benchmark compares with rm -rf and runs on POSIX only\n");
  return 1;
#else
  const int folders = argc > 1 ? std::atoi(argv[1]) : 50;
  const int files = argc > 2 ? std::atoi(argv[2]) : 1000;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
  const fs::path where = argc > 4 ? fs::path(argv[4]) : fs::temp_directory_path();
  if (folders < 1 || files < 1 || rounds < 1) {
    std::fprintf(stderr, "usage: bench_delete [folders] [files per folder] [rounds] [folder]\n");
    return 2;
  }

  std::random_device rd;
  const fs::path base = where / ("pixferry-bench-" + std::to_string(rd()) + std::to_string(rd()));
  if (!fs::create_directory(base)) {
    std::fprintf(stderr, "cannot create %s\n", base.string().c_str());
    return 1;
  }

  std::vector<double> ours, theirs;
  for (int round = 0; round < rounds; ++round) {
    const fs::path mine = base / "mine" / "DCIM";
    const fs::path other = base / "other" / "DCIM";
    MakeTree(mine, folders, files);
    MakeTree(other, folders, files);
    ::sync();  // neither side pays for writing back the other's new tree

    // Alternate who goes first, so neither always meets the colder caches.
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == (round % 2 == 0)) {
        Guard(base, mine);
        const Clock::time_point start = Clock::now();
        const std::int32_t status = pixferry::DeleteFolderTree(mine.string());
        ours.push_back(Seconds(Clock::now() - start));
        if (status != 0 || fs::exists(mine)) {
          std::fprintf(stderr, "DeleteFolderTree returned %d\n", static_cast<int>(status));
          return 1;
        }
      } else {
        Guard(base, other);
        const std::string command = "rm -rf '" + other.string() + "'";
        const Clock::time_point start = Clock::now();
        const int rc = std::system(command.c_str());
        theirs.push_back(Seconds(Clock::now() - start));
        if (rc != 0 || fs::exists(other)) {
          std::fprintf(stderr, "rm -rf failed\n");
          return 1;
        }
      }
    }
  }
  Guard(base, base / "x");
  fs::remove_all(base);

  // The ratio of each round (the same kind of tree, the same moment), then their median and spread.
  std::vector<double> ratios;
  for (std::size_t i = 0; i < ours.size(); ++i) ratios.push_back(ours[i] / theirs[i]);
  std::sort(ours.begin(), ours.end());
  std::sort(theirs.begin(), theirs.end());
  std::sort(ratios.begin(), ratios.end());
  std::printf("tree: %d folders x %d files = %d files, %d rounds in %s\n", folders, files,
              folders * files, rounds, where.string().c_str());
  std::printf("DeleteFolderTree  median %.3f s  (%.3f to %.3f s)\n", Median(ours), ours.front(),
              ours.back());
  std::printf("rm -rf            median %.3f s  (%.3f to %.3f s)\n", Median(theirs), theirs.front(),
              theirs.back());
  std::printf("ratio (median)    %.2fx  (%.2fx to %.2fx)\n", Median(ratios), ratios.front(),
              ratios.back());
  return 0;
#endif
}
