#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/frmMain.h"
#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace pixferry {
namespace {

// The swap file of a card that once served as a system drive is no photo folder, whatever its
// case; "." and ".." are compared exactly, as the listing returns them.
bool IsSkippedName(std::string_view name) {
  if (name == "." || name == "..") return true;
  return EqualsIgnoringAsciiCase(name, "PAGEFILE.SYS");
}

struct QueuedFolder {
  std::string path;
  bool enter;  // false for a link: it is a folder entry of its own, but its contents are elsewhere
};

}  // namespace

// Breadth first, in the file system's listing order. The queue is a vector read by position, so
// the scan handles as many folders as memory holds (no 16-bit or 32-bit position limit).
// Until the first real name turns up a failure goes to the caller with the result untouched;
// after that a failing step is skipped: a folder that cannot be listed adds nothing, and a name
// whose attributes cannot be read is queued as a folder.
void frmMain::GetAllSubDirectories(std::vector<std::string>& strSubDirectories,
                                   std::string strStartDirectory) {
  std::vector<QueuedFolder> queue;
  queue.push_back({std::move(strStartDirectory), true});
  bool continue_on_failure = false;

  for (std::size_t read = 0; read < queue.size(); ++read) {
    if (!queue[read].enter) continue;
    // A copy: the queue grows below and may move its entries.
    const std::string folder = queue[read].path;
    try {
      Listing listing(folder + kSep + "*", attr::kDirectory);
      while (std::optional<std::string> name = listing.Next()) {
        if (IsSkippedName(*name)) continue;
        continue_on_failure = true;
        std::string full = folder + kSep + *name;
        int attributes = 0;
        if (ReadAttributes(full, attributes) != 0) {
          queue.push_back({std::move(full), true});
        } else if ((attributes & attr::kDirectory) != 0) {
          // A link that leads back into the tree would make the walk endless.
          queue.push_back({std::move(full), (attributes & attr::kLink) == 0});
        }
      }
      if (!continue_on_failure) ThrowIfError(listing.error());
    } catch (...) {
      if (!continue_on_failure) throw;
    }
  }

  strSubDirectories.assign(1, std::string());
  strSubDirectories.reserve(queue.size() + 1);
  for (QueuedFolder& queued : queue) strSubDirectories.push_back(std::move(queued.path));
}

}  // namespace pixferry
