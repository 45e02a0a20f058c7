// Copies a card folder with the program's own copy path (the Start button's click: listing,
// naming, the safe whole-file copy and the check of every copy) and with `cp -r` followed by
// `sync`, on the same disk with the sources in the page cache for both, and prints the ratio.
//
//   bench_copy [--quick] [--only a|b] [--dir FOLDER]
//
// (a) 500 files of 4 MB, (b) 20,000 files of 20 KB; --quick copies a tenth of each.
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
#include <vector>

#include "app/frmMain.h"
#include "app/ui.h"

namespace fs = std::filesystem;
using pixferry::Button;
using pixferry::Desktop;
using pixferry::frmMain;
using pixferry::frmShowPhoto;
using pixferry::MainControls;
using pixferry::PictureBox;
using pixferry::TextBox;
using pixferry::Window;

namespace {

// The least a window needs to run a click without a screen.
struct NullTextBox : TextBox {
  std::string text;
  std::string Text() const override { return text; }
  void SetText(std::string_view t) override { text = std::string(t); }
  void Refresh() override {}
};
struct NullButton : Button {
  bool enabled = true;
  bool Enabled() const override { return enabled; }
  void SetEnabled(bool e) override { enabled = e; }
};
struct NullPicture : PictureBox {
  void LoadPicture(const std::string&) override {}
  bool HasPicture() const override { return false; }
};
struct NullWindow : Window {
  void Load() override {}
  bool IsLoaded() const override { return true; }
  void Show(Window*) override {}
  void Hide() override {}
  bool IsVisible() const override { return true; }
  void Unload() override {}
};
// Any message box during the run is a failure of the benchmark.
struct CountingDesktop : Desktop {
  int boxes = 0;
  int MsgBox(std::string_view text, int, std::string_view) override {
    ++boxes;
    std::cerr << "message box: " << text << "\n";
    return pixferry::mb::kAnswerNo;
  }
  std::string PickFolder(const std::string&, const std::string&) override { return {}; }
  void OpenWithProgram(const std::string&, const std::string&, const std::string&) override {}
};

struct Program {
  NullWindow form, viewer_form;
  NullTextBox incident, user, date, source, target, message;
  NullButton b[14];
  NullPicture picture, viewer_picture;
  CountingDesktop desktop;
  frmShowPhoto viewer{viewer_form, viewer_picture, desktop};
  std::unique_ptr<frmMain> main;

  Program() {
    const MainControls controls{form, incident, user,  date,  source, target, message, b[0],
                                b[1], b[2],     b[3],  b[4],  b[5],   b[6],   b[7],    b[8],
                                b[9], b[10],    b[11], b[12], b[13],  picture};
    main = std::make_unique<frmMain>(controls, viewer, desktop);
  }
};

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

// Removes what a case made: only ever a folder inside the benchmark's own. Nothing is removed
// between the timed copies, as a mass deletion just before a copy slows it (the file system
// avoids the freed inodes and discards the freed blocks).
void RemoveInside(const fs::path& root, const fs::path& victim) {
  const std::string r = root.string() + "/";
  if (victim.string().rfind(r, 0) != 0 || root.filename().string().rfind("pixferry-bench-", 0)) {
    std::cerr << "refusing to remove " << victim << "\n";
    std::exit(1);
  }
  fs::remove_all(victim);
}

double TimeCp(const fs::path& source, const fs::path& dest) {
  Run("sync");
  const auto start = std::chrono::steady_clock::now();
  Run("cp -r " + Quoted(source) + " " + Quoted(dest) + " && sync");
  return Seconds(std::chrono::steady_clock::now() - start);
}

double TimeProgram(const fs::path& source, const fs::path& cases, int expected) {
  fs::create_directories(cases);
  Program p;
  frmMain& f = *p.main;
  f.strSavePath = cases.string();
  f.strSourcePath = source.string();
  f.strRenameSwitch = "False";
  p.incident.text = "0815-22";
  p.user.text = "Desk 4";
  p.date.text = "2008-03-02";
  Run("sync");
  const auto start = std::chrono::steady_clock::now();
  f.cmdStartCopy_Click();
  Run("sync");
  const double s = Seconds(std::chrono::steady_clock::now() - start);
  if (p.desktop.boxes != 0 || f.lngTargetCount != expected) {
    std::cerr << "the program's copy did not finish cleanly (" << f.lngTargetCount << " of "
              << expected << " files)\n";
    std::exit(1);
  }
  return s;
}

struct Row {
  std::string name;
  int files;
  double cp, program;
};

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  std::string only;
  fs::path base = fs::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--quick") {
      quick = true;
    } else if (arg == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else if (arg == "--dir" && i + 1 < argc) {
      base = argv[++i];
    } else {
      std::cerr << "usage: bench_copy [--quick] [--only a|b] [--dir FOLDER]\n";
      return 2;
    }
  }
  std::random_device random;
  const fs::path root = base / ("pixferry-bench-" + std::to_string(random()));
  fs::create_directories(root);

  struct Case {
    const char* name;
    int files;
    std::size_t size;
  };
  const int scale = quick ? 10 : 1;
  const Case cases[] = {{"(a) 4 MB files", 500 / scale, std::size_t{4} << 20},
                        {"(b) 20 KB files", 20000 / scale, std::size_t{20} << 10}};

  std::vector<Row> rows;
  for (const Case& c : cases) {
    if (!only.empty() && std::string_view(c.name).substr(1, only.size()) != only) continue;
    const fs::path source = root / "card";
    std::cout << c.name << ": writing " << c.files << " sources..." << std::flush;
    WriteSources(source, c.files, c.size);
    Run("sync");
    std::cout << " copying..." << std::endl;
    // The sources stay in the page cache for both copies, and each copy starts on a quiet disk.
    // Two rounds in opposite order, the better time of each counting: other work on the
    // machine's disk shows as noise of either sign.
    Row row{c.name, c.files, 1e9, 1e9};
    for (int round = 0; round < 2; ++round) {
      const fs::path cp_dest = root / ("cp" + std::to_string(round));
      const fs::path cases_dest = root / ("cases" + std::to_string(round));
      if (round == 0) row.cp = std::min(row.cp, TimeCp(source, cp_dest));
      row.program = std::min(row.program, TimeProgram(source, cases_dest, c.files));
      if (round == 1) row.cp = std::min(row.cp, TimeCp(source, cp_dest));
    }
    rows.push_back(row);
    for (const char* made : {"card", "cp0", "cp1", "cases0", "cases1"}) {
      RemoveInside(root, root / made);
    }
    Run("sync");
  }
  fs::remove(root);

  std::printf("\n%-18s %7s %12s %12s %10s %7s\n", "case", "files", "cp+sync s", "program s",
              "ms/file", "ratio");
  for (const Row& r : rows) {
    std::printf("%-18s %7d %12.2f %12.2f %10.3f %6.2fx\n", r.name.c_str(), r.files, r.cp, r.program,
                1000.0 * r.program / r.files, r.program / r.cp);
  }
  std::printf("aims: (a) <= 1.2x, (b) <= 1.5x\n");
  return 0;
}
