// The command words typed into the Incident and User boxes, on arbitrary text: nothing crashes,
// a failure is a run-time error the click reports, and every record written to paths.dat keeps
// its length within the 253 bytes a record holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "app/Screen.h"
#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/records.h"

namespace {

namespace fs = std::filesystem;
using namespace pixferry;

class Box : public TextBox {
 public:
  std::string Text() const override { return text; }
  void SetText(std::string_view t) override { text = std::string(t); }
  void Refresh() override {}
  std::string text;
};

class Plain : public Button {
 public:
  bool Enabled() const override { return enabled; }
  void SetEnabled(bool e) override { enabled = e; }
  bool enabled = true;
};

class Picture : public PictureBox {
 public:
  void LoadPicture(const std::string&) override {}
  bool HasPicture() const override { return false; }
};

class Form : public Window {
 public:
  void Load() override { loaded = true; }
  bool IsLoaded() const override { return loaded; }
  void Show(Window*) override { visible = loaded = true; }
  void Hide() override { visible = false; }
  bool IsVisible() const override { return visible; }
  void Unload() override { visible = loaded = false; }
  bool loaded = false, visible = false;
};

class Screen : public Desktop {
 public:
  int MsgBox(std::string_view, int, std::string_view) override { return mb::kAnswerNo; }
  std::string PickFolder(const std::string&, const std::string&) override { return {}; }
  void OpenWithProgram(const std::string&, const std::string&, const std::string&) override {}
};

// paths.dat lives in the current directory: a fresh folder of our own, entered for each input
// and left again, as libFuzzer reads its corpus by relative paths.
class InTemporaryFolder {
 public:
  InTemporaryFolder() : previous_(fs::current_path()) {
    static const fs::path folder = [] {
      const fs::path f =
          fs::temp_directory_path() / ("pixferry-fuzz-commands-" + std::to_string(std::rand()));
      fs::create_directories(f);
      return f;
    }();
    fs::current_path(folder);
  }
  ~InTemporaryFolder() { fs::current_path(previous_); }
  InTemporaryFolder(const InTemporaryFolder&) = delete;
  InTemporaryFolder& operator=(const InTemporaryFolder&) = delete;

 private:
  fs::path previous_;
};

void CheckSettingsFile() {
  std::ifstream in("paths.dat", std::ios::binary);
  if (!in) return;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() % kRecordLength != 0) std::abort();
  for (std::size_t at = 0; at < bytes.size(); at += kRecordLength) {
    const int length =
        static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
    if (length > kRecordTextMax) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const InTemporaryFolder in_folder;
  std::error_code ec;
  fs::remove("paths.dat", ec);

  // Incident box text, a NUL, User box text.
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  Box incident, user, date, source, target, message;
  incident.text = std::string(input.substr(0, split));
  if (split != std::string_view::npos) user.text = std::string(input.substr(split + 1));

  Form main_window, viewer_window;
  Plain b[14];
  Picture picture, viewer_picture;
  Screen screen;
  frmShowPhoto viewer(viewer_window, viewer_picture, screen);
  const MainControls controls{
      {incident, user, date, source, target, message, b[0],  b[1],  b[2],  b[3],   b[4],
       b[5],     b[6], b[7], b[8],   b[9],   b[10],   b[11], b[12], b[13], picture},
      main_window};
  frmMain form(controls, viewer, screen);
  for (int pass = 0; pass < 2; ++pass) {
    try {
      form.SourceCommand();
    } catch (const RuntimeError&) {
    }
    try {
      form.StartCommand();
    } catch (const RuntimeError&) {
    }
    CheckSettingsFile();
  }
  return 0;
}
