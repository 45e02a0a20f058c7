// Copies a card folder with the program's own copy path (the Start button's click: listing,
// naming, the copy with its SHA-256, the flush and the read-back of every copy from the storage,
// its hash and its line in the case folder's hash list) and with `cp -r`,
// in rounds that alternate which goes first, on the same data with the sources in the page cache
// for both, and prints the median ratio with its spread.
//
//   bench_copy [--quick] [--only a|b] [--rounds N] [--disk FOLDER] [--tmpfs FOLDER]
//              [--medium tmpfs|disk]
//
// (a) 500 files of 4 MB, (b) 20,000 files of 20 KB; --quick copies a tenth of each. On the disk
// both copies are followed by `sync`, so the reference is cp + sync; on tmpfs, where nothing goes
// to a disk, the reference is cp alone and neither is followed by a sync (a sync there would
// time the other work on the machine's disk).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "bench/headless.h"

namespace fs = std::filesystem;
using pixferry::frmMain;
using pixferry::bench::Program;

namespace {

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Incompressible, different in every file.
void WriteSources(const fs::path& folder, int count, std::size_t size) {
  fs::create_directories(folder);
  std::vector<std::uint64_t> words(size / 8 + 1);
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  char name[32];
  for (int i = 0; i < count; ++i) {
    for (std::uint64_t& w : words) {
      state += 0x9E3779B97F4A7C15u;
      std::uint64_t z = state;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
      w = z ^ (z >> 31);
    }
    std::snprintf(name, sizeof name, "IMG_%05d.JPG", i + 1);
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(size));
  }
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::cerr << "failed: " << command << "\n";
    std::exit(1);
  }
}

std::string Quoted(const fs::path& p) {
  return "'" + p.string() + "'";
}

// Removes what a case made: only ever a folder inside the benchmark's own. On the disk nothing is
// removed between the two timed copies of a round, as a mass deletion just before a copy slows it
// (the file system avoids the freed inodes and discards the freed blocks).
void RemoveInside(const fs::path& root, const fs::path& victim) {
  const std::string r = root.string() + "/";
  if (victim.string().rfind(r, 0) != 0 || root.filename().string().rfind("pixferry-bench-", 0)) {
    std::cerr << "refusing to remove " << victim << "\n";
    std::exit(1);
  }
  fs::remove_all(victim);
}

double TimeCp(const fs::path& source, const fs::path& dest, bool sync) {
  if (sync) Run("sync");
  const auto start = std::chrono::steady_clock::now();
  Run("cp -r " + Quoted(source) + " " + Quoted(dest) + (sync ? " && sync" : ""));
  return Seconds(std::chrono::steady_clock::now() - start);
}

double TimeProgram(const fs::path& source, const fs::path& cases, int expected, bool sync) {
  fs::create_directories(cases);
  Program p;
  frmMain& f = *p.main;
  f.strSavePath = cases.string();
  f.strSourcePath = source.string();
  f.strRenameSwitch = "False";
  p.incident.text = "0815-22";
  p.user.text = "Desk 4";
  p.date.text = "2008-03-02";
  if (sync) Run("sync");
  const auto start = std::chrono::steady_clock::now();
  f.cmdStartCopy_Click();
  if (sync) Run("sync");
  const double s = Seconds(std::chrono::steady_clock::now() - start);
  std::ifstream list(cases / "0815-22_Desk_4_2008-03-02.sha256");
  int listed = 0;
  for (std::string line; std::getline(list, line);) listed += !line.empty() && line[0] != '#';
  if (p.desktop.boxes != 0 || f.lngTargetCount != expected || listed != expected) {
    std::cerr << "the program's copy did not finish cleanly (" << f.lngTargetCount << " of "
              << expected << " files, " << listed << " listed)\n";
    std::exit(1);
  }
  return s;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Row {
  std::string medium, name;
  int files;
  std::vector<double> cp, program, ratio;
};

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  std::string only;
  int rounds = 5;
  std::string medium_only;
  fs::path disk = fs::temp_directory_path();
  fs::path tmpfs = "/dev/shm";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--quick") {
      quick = true;
    } else if (arg == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--disk" && i + 1 < argc) {
      disk = argv[++i];
    } else if (arg == "--tmpfs" && i + 1 < argc) {
      tmpfs = argv[++i];
    } else if (arg == "--medium" && i + 1 < argc) {
      medium_only = argv[++i];
    } else {
      std::cerr << "usage: bench_copy [--quick] [--only a|b] [--rounds N] [--disk FOLDER] "
                   "[--tmpfs FOLDER] [--medium tmpfs|disk]\n";
      return 2;
    }
  }
  struct Case {
    const char* name;
    int files;
    std::size_t size;
  };
  const int scale = quick ? 10 : 1;
  const Case cases[] = {{"(a) 4 MB files", 500 / scale, std::size_t{4} << 20},
                        {"(b) 20 KB files", 20000 / scale, std::size_t{20} << 10}};
  std::random_device random;

  std::vector<Row> rows;
  for (const auto& [medium, base, sync] :
       {std::tuple{"tmpfs", tmpfs, false}, std::tuple{"disk", disk, true}}) {
    if (!medium_only.empty() && medium_only != medium) continue;
    const fs::path root = base / ("pixferry-bench-" + std::to_string(random()));
    fs::create_directories(root);
    for (const Case& c : cases) {
      if (!only.empty() && std::string_view(c.name).substr(1, only.size()) != only) continue;
      const fs::path source = root / "card";
      std::cout << medium << " " << c.name << ": writing " << c.files << " sources..."
                << std::flush;
      WriteSources(source, c.files, c.size);
      if (sync) Run("sync");
      std::cout << " copying " << rounds << " rounds..." << std::endl;
      // The sources stay in the page cache for both copies. The order alternates from round to
      // round, so that the machine's other work and a disk still busy with the last round weigh
      // on both alike.
      Row row{medium, c.name, c.files, {}, {}, {}};
      for (int round = 0; round < rounds; ++round) {
        const fs::path cp_dest = root / "cp";
        const fs::path cases_dest = root / "cases";
        double cp = 0, program = 0;
        // In memory, the first copy's pages would press on the second's: each goes before the
        // next starts. On the disk a mass deletion just before a copy slows it instead.
        const auto time_cp = [&] {
          cp = TimeCp(source, cp_dest, sync);
          if (!sync) RemoveInside(root, cp_dest);
        };
        const auto time_program = [&] {
          program = TimeProgram(source, cases_dest, c.files, sync);
          if (!sync) RemoveInside(root, cases_dest);
        };
        if (round % 2 == 0) {
          time_cp();
          time_program();
        } else {
          time_program();
          time_cp();
        }
        row.cp.push_back(cp);
        row.program.push_back(program);
        row.ratio.push_back(program / cp);
        std::printf("  round %d: cp %.2f s, program %.2f s, %.2fx\n", round + 1, cp, program,
                    program / cp);
        RemoveInside(root, cp_dest);
        RemoveInside(root, cases_dest);
        if (sync) Run("sync");
      }
      rows.push_back(row);
      RemoveInside(root, source);
      if (sync) Run("sync");
    }
    fs::remove(root);
  }

  std::printf("\n%-6s %-16s %7s %10s %10s %7s %13s\n", "medium", "case", "files", "ref s",
              "program s", "ratio", "spread");
  for (const Row& r : rows) {
    std::printf("%-6s %-16s %7d %10.2f %10.2f %6.2fx %6.2f-%.2fx\n", r.medium.c_str(),
                r.name.c_str(), r.files, Median(r.cp), Median(r.program), Median(r.ratio),
                *std::min_element(r.ratio.begin(), r.ratio.end()),
                *std::max_element(r.ratio.begin(), r.ratio.end()));
  }
  std::printf("medians of %d rounds; aims: tmpfs (a), (b) <= 1.5x cp; disk (a) <= 1.6x cp + sync\n",
              rounds);
  return 0;
}
