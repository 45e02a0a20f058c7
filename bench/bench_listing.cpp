// Times SortedFiles (list a folder's files and sort them) against `ls -f | LC_ALL=C sort` on the
// same folders of 10,000 and 100,000 empty files. Best of three runs each.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/Screen.h"
#include "app/frmMain.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

// Just enough of a screen for a main window: nothing is shown, error boxes go to stderr.
struct NullTextBox : pixferry::TextBox {
  std::string text;
  std::string Text() const override { return text; }
  void SetText(std::string_view t) override { text = std::string(t); }
  void Refresh() override {}
};
struct NullButton : pixferry::Button {
  bool enabled = true;
  bool Enabled() const override { return enabled; }
  void SetEnabled(bool e) override { enabled = e; }
};
struct NullPictureBox : pixferry::PictureBox {
  void LoadPicture(const std::string&) override {}
  bool HasPicture() const override { return false; }
};
struct NullWindow : pixferry::Window {
  void Load() override {}
  bool IsLoaded() const override { return true; }
  void Show(Window*) override {}
  void Hide() override {}
  bool IsVisible() const override { return false; }
  void Unload() override {}
};
struct StderrDesktop : pixferry::Desktop {
  int MsgBox(std::string_view text, int, std::string_view) override {
    std::cerr << "message box: " << text << "\n";
    return pixferry::mb::kAnswerOk;
  }
  std::string PickFolder(const std::string&, const std::string&) override { return {}; }
  void OpenWithProgram(const std::string&, const std::string&, const std::string&) override {}
};

// The folder this program made; nothing else is ever removed.
class BenchFolder {
 public:
  BenchFolder() {
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("pixferry-bench-" + std::to_string(rd()));
    fs::create_directory(path_);  // throws when it exists: never reuse a folder
  }
  ~BenchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Camera-like names in a shuffled order of creation, so neither side gets them presorted.
void MakeFiles(const fs::path& folder, int count) {
  fs::create_directory(folder);
  std::vector<int> numbers(static_cast<std::size_t>(count));
  std::iota(numbers.begin(), numbers.end(), 1);
  std::mt19937 gen(42);
  std::shuffle(numbers.begin(), numbers.end(), gen);
  const char* const kForms[] = {"IMG_%06d.JPG", "DSC%06d.jpg", "MVI_%06d.MPG", "P%07d.JPG"};
  for (int n : numbers) {
    char name[32];
    std::snprintf(name, sizeof name, kForms[n % 4], n);
    std::ofstream(folder / name);
  }
}

template <typename F>
double BestOfThreeMs(F&& run) {
  double best = 1e300;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

int main() {
  NullWindow main_window, viewer_window;
  NullTextBox t;
  NullButton b;
  NullPictureBox picture;
  StderrDesktop desktop;
  pixferry::frmShowPhoto viewer(viewer_window, picture, desktop);
  const pixferry::MainControls controls{
      {t, t, t, t, t, t, b, b, b, b, b, b, b, b, b, b, b, b, b, b, picture}, main_window};
  pixferry::frmMain form(controls, viewer, desktop);

  BenchFolder bench;
  std::printf("%9s  %16s  %16s  %6s\n", "files", "SortedFiles ms", "ls|sort ms", "ratio");
  for (int count : {10000, 100000}) {
    const fs::path folder = bench.path() / std::to_string(count);
    MakeFiles(folder, count);

    std::int32_t listed = 0;
    const double ours = BestOfThreeMs([&] {
      std::vector<std::string> files;
      listed = 0;
      form.SortedFiles(folder.string() + pixferry::kSep, listed, files, true, true);
    });
    if (listed != count) {
      std::fprintf(stderr, "SortedFiles listed %d of %d files\n", listed, count);
      return 1;
    }
    const std::string command = "cd '" + folder.string() + "' && ls -f | LC_ALL=C sort > /dev/null";
    int status = 0;
    const double tool = BestOfThreeMs([&] { status |= std::system(command.c_str()); });
    if (status != 0) {
      std::fprintf(stderr, "the shell command failed\n");
      return 1;
    }
    std::printf("%9d  %16.1f  %16.1f  %6.2f\n", count, ours, tool, ours / tool);
  }
  return 0;
}
