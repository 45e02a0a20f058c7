// The main window without a screen, for the benchmarks that time its own handlers: the least the
// window needs to run a click, and a desktop that fails the run on any message box.
#pragma once

#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "app/Screen.h"
#include "app/frmMain.h"

namespace pixferry::bench {

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
    return mb::kAnswerNo;
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
    const MainControls controls{
        {incident, user, date, source, target, message, b[0],  b[1],  b[2],  b[3],   b[4],
         b[5],     b[6], b[7], b[8],   b[9],   b[10],   b[11], b[12], b[13], picture},
        form};
    main = std::make_unique<frmMain>(controls, viewer, desktop);
  }

  // Readies Start to copy the photos of source_folder into a case folder under cases, under
  // their own names.
  void ReadyStart(const std::string& source_folder, const std::string& cases) {
    main->strSavePath = cases;
    main->strSourcePath = source_folder;
    main->strRenameSwitch = "False";
    incident.text = "0815-22";
    user.text = "Desk 4";
    date.text = "2008-03-02";
  }

  // Whether Start copied `expected` files without a message box; says why not on stderr.
  bool CopiedCleanly(int expected) const {
    if (desktop.boxes == 0 && main->lngTargetCount == expected) return true;
    std::cerr << "the program's copy did not finish cleanly (" << main->lngTargetCount << " of "
              << expected << " files)\n";
    return false;
  }
};

}  // namespace pixferry::bench
