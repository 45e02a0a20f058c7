// The card both fault suites copy from: photos that differ from one another, so that a copy of
// the wrong one or a short one shows; the request typed; the program started beside them; and no
// fault armed. And what the case folder's hash list says.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/sha256.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

namespace pixferry::testing {

struct CardJob {
  explicit CardJob(int count) : photos(count) {
    faults::Disarm();
    for (int i = 1; i <= photos; ++i) WriteFile(Card(i), Photo(i));
    MakeFolders(dir / "cases");
    form.strSavePath = dir / "cases";
    form.strSourcePath = dir / "card/DCIM/100MEDIA";
    form.strRenameSwitch = "False";
    h.txtIncidentNumber.text = "0815";
    h.txtUser.text = "Desk";
    h.txtDate.text = "2008-03-02";
  }
  ~CardJob() { faults::Disarm(); }

  static std::string Name(int i) { return "IMG_000" + std::to_string(i) + ".JPG"; }
  static std::string Photo(int i) {
    return JpegBytes() +
           std::string(static_cast<std::size_t>(i) * 1000, static_cast<char>('a' + i));
  }
  std::string Card(int i) const { return dir / ("card/DCIM/100MEDIA/" + Name(i)); }
  std::string CaseFolder() const { return dir / "cases/0815_Desk_2008-03-02"; }

  // The copies the case folder's hash list names, by name, with their digests as written.
  std::map<std::string, std::string> Listed() const {
    std::map<std::string, std::string> listed;
    std::istringstream lines(ReadFile(CaseFolder() + ".sha256"));  // "" when there is none
    const std::string folder = "  0815_Desk_2008-03-02/";
    for (std::string line; std::getline(lines, line);) {
      if (line.empty() || line[0] == '#') continue;
      EXPECT_EQ(line.compare(64, folder.size(), folder), 0) << line;
      listed[line.substr(64 + folder.size())] = line.substr(0, 64);
    }
    return listed;
  }

  // Each file in the case folder is a whole photo equal to its source; the sources are untouched.
  // Gives the photos that were copied.
  std::vector<int> ExpectOnlyWholeCopies() const {
    std::vector<int> copied;
    for (const std::string& name : AllNames(CaseFolder())) {
      const int i = name.size() == 12 && name.starts_with("IMG_000") ? name[7] - '0' : 0;
      EXPECT_TRUE(i >= 1 && i <= photos) << name << ": a temporary or stray file";
      EXPECT_EQ(ReadFile(CaseFolder() + kSep + name), Photo(i)) << name << " is partial";
      copied.push_back(i);
    }
    for (int i = 1; i <= photos; ++i) EXPECT_EQ(ReadFile(Card(i)), Photo(i)) << "source " << i;
    return copied;
  }

  const int photos;
  TempDir dir;
  ScopedCurrentDirectory current{dir.path()};
  Harness h;
  frmMain& form = *h.form;
};

}  // namespace pixferry::testing
