// Folder identity and the two tree walks, the deletion and the look through the tree before it,
// written once over the primitives of platform/primitives.h.
#include "platform/tree.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/primitives.h"

#ifdef _WIN32
#include "platform/win32/walk.inc"
#else
#include "platform/posix/walk.inc"
#endif

namespace pixferry {
namespace {

// The fault build's one seam: the walks change or list the file system only through these.
namespace seam {

int OpenChild(os::FolderHandle& parent, const os::Entry& entry, os::Folder& child) {
  if (const int e = faults::Check(faults::Op::ListingOpen)) return e;
  return os::OpenChild(parent, entry, child);
}

int RemoveEntry(os::FolderHandle& folder, const os::Entry& entry) {
  if (const int e = faults::Check(faults::Op::RemoveFile)) return e;
  return os::RemoveEntry(folder, entry);
}

int RemoveFolder(os::FolderHandle& parent, const os::Entry& entry) {
  if (const int e = faults::Check(faults::Op::RemoveFolder)) return e;
  return os::RemoveFolder(parent, entry);
}

// Lists folder, giving each entry to each; returns each's first non-zero answer. A listing that
// fails part-way sets listing_error instead, so that what was listed is still dealt with.
int List(os::FolderHandle& folder, const std::function<int(const os::Entry&)>& each,
         int& listing_error) {
  constexpr int kFault = std::numeric_limits<int>::min();
  int answer = 0;
  const int listed = os::List(folder, [&](const os::Entry& entry) {
    if (const int e = faults::Check(faults::Op::ListingNext)) {
      listing_error = e;
      return kFault;
    }
    answer = each(entry);
    return answer;
  });
  if (answer != 0) return answer;
  if (listed != 0 && listed != kFault) listing_error = listed;
  return 0;
}

}  // namespace seam

std::string IdentityText(const os::Identity& id) {
  std::string text = std::to_string(id.volume) + ":";
  if (id.file_high != 0) text += std::to_string(id.file_high) + ":";
  return text + std::to_string(id.file);
}

bool IsSeparator(char c) {
  return c == kSep || c == '/';
}

constexpr int kMountRoot = -3;  // Enter met the root of a mount

// One folder of a walk, open or waiting for its subfolders to go.
struct Level {
  os::Entry self;     // its entry in the folder above
  os::Folder folder;  // let go above the last two levels where the system may not hold them
  os::Place place;
  std::vector<os::Entry> subfolders;  // gathered while listing, entered afterwards
  std::size_t next = 0;
  int pending = 0;   // a listing that failed part-way, reported when the folder is done
  std::string path;  // the look only: the folder's path, and its path below the top
  std::string below;
};

// Opens level's folder in parent. A mount root or a folder of the fence is seen before anything
// about it changes; then its owner is given the rights the walk needs.
int Enter(os::FolderHandle& parent, Level& level, const Fence& fence, bool to_empty,
          std::size_t& fenced) {
  if (const int e = seam::OpenChild(parent, level.self, level.folder)) return e;
  if (const int e = os::Inspect(*level.folder, level.place)) return e;
  if (level.place.mount_root) return kMountRoot;
  const std::string id = IdentityText(level.place.id);
  for (std::size_t i = 0; i < fence.size(); ++i) {
    if (std::find(fence[i].chain.begin(), fence[i].chain.end(), id) != fence[i].chain.end()) {
      fenced = i;
      return kFenced;
    }
  }
  return os::GiveOwnerRights(*level.folder, level.place, to_empty);
}

// The chain of open folders of one walk, from the folder above the top down. Where the system
// may not hold every folder, only the last two stay open, and the way back up is "..", checked
// against the identity of the folder that was left, so a folder moved meanwhile stops the walk
// instead of misleading it.
class Chain {
 public:
  os::Folder top_parent;
  std::vector<Level> levels;

  os::FolderHandle& ParentOf(std::size_t i) {
    return i == 0 ? *top_parent : *levels[i - 1].folder;
  }

  void Push(Level level) {
    if (!os::kHoldsAncestors && levels.size() >= 2) levels[levels.size() - 2].folder.reset();
    levels.push_back(std::move(level));
  }

  // Leaves the last level; the one now last, and the one above it, are open again.
  int Pop() {
    for (std::size_t i = levels.size() - 1; i >= 1 && i + 3 > levels.size(); --i) {
      if (levels[i - 1].folder) continue;
      os::Folder up;
      os::Place place;
      if (const int e = os::OpenParent(*levels[i].folder, up)) return Failed(e);
      if (const int e = os::Inspect(*up, place)) return e;
      if (!(place.id == levels[i - 1].place.id)) return err::kPathFileAccessError;
      levels[i - 1].folder = std::move(up);
    }
    levels.pop_back();
    return 0;
  }

  static int Failed(int e) { return e == kNotThere ? err::kPathFileAccessError : e; }
};

int TopOf(const std::string& path, Chain& chain, Level& top) {
  if (const int e = os::OpenContaining(path, chain.top_parent, top.self.name)) return e;
  return os::LookUp(*chain.top_parent, top.self.name, top.self);
}

// What Enter answered, as a walk answers it: a mount root is no folder a walk may take.
int Outcome(int e) {
  return e == kMountRoot ? kNotThere : e;
}

class Removal {
 public:
  Removal(const Fence& fence, const std::function<void()>& between_entries)
      : fence_(fence), between_(between_entries) {}

  int Run(const std::string& path) {
    Level top;
    if (const int e = TopOf(path, chain_, top)) return e;
    if (top.self.kind == os::Kind::kLink) return seam::RemoveEntry(*chain_.top_parent, top.self);
    if (top.self.kind != os::Kind::kFolder) return kNotThere;
    if (const int e = Enter(*chain_.top_parent, top, fence_, true, fenced_)) return Outcome(e);
    chain_.Push(std::move(top));
    if (const int e = RemoveFilesOf(0)) return e;
    while (chain_.levels.size() > 1 || HasSubfolderLeft()) {
      const int e = HasSubfolderLeft() ? EnterNext() : LeaveAndRemove();
      if (e != 0) return e;
    }
    const int pending = chain_.levels.back().pending;
    const os::Entry self = chain_.levels.back().self;
    chain_.levels.clear();
    if (const int e = seam::RemoveFolder(*chain_.top_parent, self)) return Chain::Failed(e);
    return pending;
  }

 private:
  bool HasSubfolderLeft() const {
    const Level& level = chain_.levels.back();
    return level.next < level.subfolders.size();
  }

  // Whether folder i is still at its name in the folder above it: one moved out of the tree
  // while it is being emptied is left as it is.
  int StillHere(std::size_t i) {
    const Level& level = chain_.levels[i];
    checked_ = std::chrono::steady_clock::now();
    return Chain::Failed(os::StillAt(chain_.ParentOf(i), level.self.name, level.place.id));
  }

  // The same between two files of one folder, once a little time has passed since the last look:
  // a look per file would cost as much again as the removal itself.
  int StillHereBetweenFiles(std::size_t i, bool first) {
    constexpr auto kLookEvery = std::chrono::milliseconds(1);
    if (!first && std::chrono::steady_clock::now() - checked_ < kLookEvery) return 0;
    return StillHere(i);
  }

  // Removes every entry of folder i that is not a folder, in listing order, and gathers its
  // subfolders.
  int RemoveFilesOf(std::size_t i) {
    Level& level = chain_.levels[i];
    bool first = true;
    return seam::List(
        *level.folder,
        [&](const os::Entry& entry) {
          if (between_) between_();
          if (entry.kind == os::Kind::kFolder) {
            level.subfolders.push_back(entry);
            return 0;
          }
          if (const int e = StillHereBetweenFiles(i, std::exchange(first, false))) return e;
          const int e = seam::RemoveEntry(*level.folder, entry);
          return e == kNotThere ? 0 : e;  // gone meanwhile
        },
        level.pending);
  }

  int EnterNext() {
    const std::size_t i = chain_.levels.size() - 1;
    Level child;
    child.self = chain_.levels[i].subfolders[chain_.levels[i].next++];
    if (between_) between_();
    if (const int e = StillHere(i)) return e;
    const int e = Enter(*chain_.levels[i].folder, child, fence_, true, fenced_);
    // Something mounted here is not the card's to lose: the walk stops, as at a busy folder.
    if (e == kMountRoot) return err::kPathFileAccessError;
    if (e != 0) return Outcome(e);
    chain_.Push(std::move(child));
    return RemoveFilesOf(i + 1);
  }

  int LeaveAndRemove() {
    const int pending = chain_.levels.back().pending;
    if (const int e = chain_.Pop()) return e;
    const std::size_t i = chain_.levels.size() - 1;
    if (const int e = StillHere(i)) return e;
    Level& level = chain_.levels[i];
    if (const int e = seam::RemoveFolder(*level.folder, level.subfolders[level.next - 1])) {
      return Chain::Failed(e);
    }
    return pending;
  }

  const Fence& fence_;
  const std::function<void()>& between_;
  Chain chain_;
  std::size_t fenced_ = 0;
  std::chrono::steady_clock::time_point checked_;
};

class Look {
 public:
  using EachFile = std::function<void(const std::string&, const std::string&)>;
  Look(const Fence& fence, const EachFile& each_file, TreeLook& look)
      : fence_(fence), each_file_(each_file), look_(look) {}

  int Run(const std::string& path) {
    Level top;
    if (const int e = TopOf(path, chain_, top)) return e;
    if (top.self.kind == os::Kind::kLink) return 0;  // a link goes as a link, nothing below it
    if (top.self.kind != os::Kind::kFolder) return kNotThere;
    top.path = path;
    while (top.path.size() > 1 && IsSeparator(top.path.back())) top.path.pop_back();
    if (const int e = Enter(*chain_.top_parent, top, fence_, false, look_.fenced)) {
      return Outcome(e);
    }
    chain_.Push(std::move(top));
    ListFilesOf(chain_.levels.back());
    for (;;) {
      Level& level = chain_.levels.back();
      if (level.next < level.subfolders.size()) {
        if (const int e = EnterNext(level)) return e;
        continue;
      }
      os::RestoreRights(*level.folder, level.place);
      if (chain_.levels.size() == 1) return 0;
      if (const int e = chain_.Pop()) return e;
    }
  }

 private:
  void ListFilesOf(Level& level) {
    int listing_error = 0;
    seam::List(
        *level.folder,
        [&](const os::Entry& entry) {
          if (entry.kind == os::Kind::kFolder) {
            level.subfolders.push_back(entry);
          } else {
            const std::string name = os::ToUtf8(entry.name);
            each_file_(level.path + kSep + name, level.below + name);
          }
          return 0;
        },
        listing_error);
    if (listing_error != 0) look_.unchecked.push_back(Shown(level.below));
  }

  static std::string Shown(std::string below) {
    if (below.empty()) return ".";
    below.pop_back();
    return below;
  }

  int EnterNext(Level& level) {
    Level child;
    child.self = level.subfolders[level.next++];
    const std::string name = os::ToUtf8(child.self.name);
    child.path = level.path + kSep + name;
    child.below = level.below + name + kSep;
    const int e = Enter(*level.folder, child, fence_, false, look_.fenced);
    if (e == kFenced) return e;
    if (e == kMountRoot || e == kNotThere) return 0;  // not the deletion's to enter either
    if (e != 0) {
      if (child.folder) os::RestoreRights(*child.folder, child.place);
      look_.unchecked.push_back(Shown(child.below));
      return 0;
    }
    chain_.Push(std::move(child));
    ListFilesOf(chain_.levels.back());
    return 0;
  }

  const Fence& fence_;
  const EachFile& each_file_;
  TreeLook& look_;
  Chain chain_;
};

}  // namespace

int IdentifyFolder(const std::string& path, FolderIdentity& identity) {
  os::Folder folder;
  os::Place place;
  if (const int e = os::OpenFollowing(path, folder)) return e;
  if (const int e = os::Inspect(*folder, place)) return e;
  identity = {};
  identity.is_root = place.mount_root;
  for (;;) {
    identity.chain.push_back(IdentityText(place.id));
    os::Folder up;
    os::Place above;
    if (os::OpenParent(*folder, up) != 0 || os::Inspect(*up, above) != 0 || above.id == place.id) {
      return 0;
    }
    folder = std::move(up);
    place = above;
  }
}

int IdentifyNearestFolder(const std::string& path, FolderIdentity& identity) {
  std::string at = path;
  for (;;) {
    const int e = IdentifyFolder(at, identity);
    if (e == 0) return 0;
    const std::string tried = at;
    while (at.size() > 1 && IsSeparator(at.back())) at.pop_back();
    std::size_t slash = at.size();
    while (slash > 0 && !IsSeparator(at[slash - 1])) --slash;
    if (slash == 0) return IdentifyFolder(".", identity);
    at.resize(slash);
    if (at == tried) return e;
  }
}

std::string PlatformFolderPath(std::string path) {
#ifdef _WIN32
  const std::size_t first = path.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return path.substr(first, path.find_last_not_of(' ') - first + 1);
#else
  return path;
#endif
}

int RemoveFolderTree(const std::string& path, const Fence& fence,
                     const std::function<void()>& between_entries) {
  try {
    return Removal(fence, between_entries).Run(path);
  } catch (...) {
    return err::kOutOfMemory;
  }
}

int LookThroughTree(
    const std::string& path, const Fence& fence,
    const std::function<void(const std::string& path, const std::string& below)>& each_file,
    TreeLook& look) {
  return Look(fence, each_file, look).Run(path);
}

}  // namespace pixferry
