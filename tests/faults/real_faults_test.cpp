// Real faults where the system lets a test make them: a destination file system that fills up,
// a photo the operator may not read, a case folder that turns read-only during the run.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/fakes.h"
#include "tests/support/faults.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using testing::Exists;
using testing::Harness;
using testing::MakeFolders;
using testing::MessageBoxCall;
using testing::ReadFile;
using testing::RunningAsRoot;
using testing::TempDir;
using testing::UnwritableFolder;
using testing::WriteFile;
using Boxes = std::vector<MessageBoxCall>;
using Names = std::vector<std::string>;

Names AllNames(const std::string& folder) {
  Names names;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Photos that differ from one another and are large enough to fill a small file system.
std::string Photo(int n, std::size_t size) {
  std::string bytes(size, '\0');
  unsigned state = 2463534242u + static_cast<unsigned>(n);
  for (char& c : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = static_cast<char>(state);
  }
  return bytes;
}

MessageBoxCall MassCopyBox(int number) {
  return {
      std::to_string(number) + " " + std::string(ErrorDescription(number)) + " in StartMassCopy",
      48, "Error"};
}

// A small tmpfs on a fresh folder, unmounted again at the end.
class SmallFileSystem {
 public:
  SmallFileSystem(const std::string& path, const char* size) : path_(path) {
    MakeFolders(path);
    const std::string options = std::string("size=") + size + ",mode=0777";
    mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

class RealFaults : public ::testing::Test {
 protected:
  RealFaults() {
    form.strSavePath = dir / "cases";
    form.strSourcePath = dir / "card";
    form.strRenameSwitch = "False";
    h.txtIncidentNumber.text = "0815";
    h.txtUser.text = "Desk";
    h.txtDate.text = "2008-03-02";
  }
  std::string CaseFolder() const { return dir / "cases/0815_Desk_2008-03-02"; }
  std::string Name(int i) const { return "IMG_000" + std::to_string(i) + ".JPG"; }

  TempDir dir;
  Harness h;
  frmMain& form = *h.form;
};

TEST_F(RealFaults, ADestinationThatFillsUpKeepsTheCopiesThatFit) {
  if (!RunningAsRoot()) GTEST_SKIP() << "mounting a small tmpfs needs root";
  SmallFileSystem cases(dir / "cases", "2m");
  if (!cases.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (no CAP_SYS_ADMIN?)";
  constexpr std::size_t kPhoto = 600 << 10;  // three fit in 2 MB, the fourth does not
  for (int i = 1; i <= 5; ++i) WriteFile(dir / ("card/" + Name(i)), Photo(i, kPhoto));
  WriteFile(CaseFolder() + kSep + "EARLIER.JPG", "an earlier good copy");

  form.cmdStartCopy_Click();

  EXPECT_EQ(h.desktop.boxes, Boxes{MassCopyBox(err::kDiskFull)});
  EXPECT_EQ(h.txtMessage.text, "An error occurred during import.  Please check photos");
  // Whole copies of the first three, the earlier file untouched, no partial or temporary file.
  const Names names = AllNames(CaseFolder());
  EXPECT_EQ(names, (Names{"EARLIER.JPG", Name(1), Name(2), Name(3)}));
  for (const std::string& name : names) {
    if (name == "EARLIER.JPG") continue;
    EXPECT_EQ(ReadFile(CaseFolder() + kSep + name), Photo(name[7] - '0', kPhoto)) << name;
  }
  EXPECT_EQ(ReadFile(CaseFolder() + kSep + "EARLIER.JPG"), "an earlier good copy");
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(ReadFile(dir / ("card/" + Name(i))), Photo(i, kPhoto));
}

// Root reads every file, so the copy runs in a child process as an ordinary user.
TEST_F(RealFaults, APhotoTheOperatorMayNotReadEndsTheRun) {
  WriteFile(dir / "card/IMG_0001.JPG", "photo one");
  WriteFile(dir / "card/IMG_0002.JPG", "photo two");
  WriteFile(dir / "card/IMG_0003.JPG", "photo three");
  MakeFolders(dir / "cases");
  fs::permissions(dir / "card/IMG_0002.JPG", fs::perms::none);
  const Boxes expected{MassCopyBox(err::kPermissionDenied)};

  auto click = [&] {
    form.cmdStartCopy_Click();
    return h.desktop.boxes == expected && AllNames(CaseFolder()) == Names{Name(1)} &&
           ReadFile(CaseFolder() + kSep + Name(1)) == "photo one";
  };
  if (!RunningAsRoot()) {
    EXPECT_TRUE(click()) << (h.desktop.boxes.empty() ? "no box" : h.desktop.boxes[0].text);
    return;
  }
  for (const char* folder : {"", "card", "cases"}) {
    fs::permissions(dir / folder, fs::perms::all, fs::perm_options::add);
  }
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    ::_exit(click() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot become an ordinary user here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the unreadable photo was not reported as 70, or the "
                                       "photo before it was not kept";
  EXPECT_EQ(ReadFile(dir / "card/IMG_0001.JPG"), "photo one");
}

TEST_F(RealFaults, ACaseFolderMadeReadOnlyDuringTheRunKeepsWhatItHas) {
  for (int i = 1; i <= 3; ++i) WriteFile(dir / ("card/" + Name(i)), "photo " + std::to_string(i));
  WriteFile(CaseFolder() + kSep + Name(1), "the copy made last week");
  std::unique_ptr<UnwritableFolder> unwritable;
  // While the operator is asked about the first photo, the folder turns read-only.
  h.desktop.on_box = [&](const MessageBoxCall&) {
    if (!unwritable) unwritable = std::make_unique<UnwritableFolder>(CaseFolder());
  };
  h.desktop.answers = {mb::kAnswerNo};
  form.cmdStartCopy_Click();
  if (!unwritable->ok()) GTEST_SKIP() << "cannot make a folder unwritable on this file system";

  EXPECT_EQ(h.desktop.boxes,
            (Boxes{{"The file " + Name(1) + " already exists. Overwrite?", 68, "Overwrite?"},
                   MassCopyBox(err::kPermissionDenied)}));
  EXPECT_EQ(AllNames(CaseFolder()), Names{Name(1)});
  EXPECT_EQ(ReadFile(CaseFolder() + kSep + Name(1)), "the copy made last week");

  // Writable again, the next click copies the rest.
  unwritable.reset();
  h.desktop.on_box = nullptr;
  h.desktop.boxes.clear();
  h.desktop.answers = {mb::kAnswerNo};
  form.cmdStartCopy_Click();
  EXPECT_EQ(h.desktop.boxes.size(), 1u);
  EXPECT_EQ(AllNames(CaseFolder()), (Names{Name(1), Name(2), Name(3)}));
  EXPECT_EQ(ReadFile(CaseFolder() + kSep + Name(3)), "photo 3");
}

}  // namespace
}  // namespace pixferry
