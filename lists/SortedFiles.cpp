#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace pixferry {

// Lists the plain files of strPath (a folder ending in the separator) into strFiles from position
// lngFileCount + 1 and sorts positions 1 to lngFileCount. A listing that fails is reported and the
// names gathered until then are kept, unsorted, so the caller still gets what could be read.
bool frmMain::SortedFiles(std::string strPath, std::int32_t& lngFileCount,
                          std::vector<std::string>& strFiles, bool blnNoDot, bool blnNoDotDot) {
  try {
    Listing listing(strPath, attr::kNormal);
    while (std::optional<std::string> name = listing.Next()) {
      if (blnNoDot && *name == ".") continue;
      if (blnNoDotDot && *name == "..") continue;
      // Entry 0 stays unused; push_back grows in steps, so a large folder costs linear time.
      strFiles.resize(static_cast<std::size_t>(lngFileCount) + 1);
      strFiles.push_back(std::move(*name));
      ++lngFileCount;
    }
    ThrowIfError(listing.error());
  } catch (...) {
    ShowErrorBox(" in SortedFiles");
    return false;
  }
  Quicksort(strFiles, 1, lngFileCount);
  return true;
}

// Sorts positions lngMin to lngMax ascending by character code (std::string compares bytes as
// unsigned char: "B.jpg" < "IMG_10.JPG" < "IMG_9.JPG" < "a.jpg"). The pivot is drawn at random and
// moved out, leaving a hole that the two scans fill from either end. The left part is sorted by
// recursion and the right part by the loop, in that order: equal values all go right, so the
// recursion depth stays small even for a range of equal names.
void frmMain::Quicksort(std::vector<std::string>& strList, std::int32_t lngMin,
                        std::int32_t lngMax) {
  try {
    while (lngMin < lngMax) {
      if (lngMin < 0 || static_cast<std::size_t>(lngMax) >= strList.size()) {
        throw RuntimeError(err::kSubscriptOutOfRange);
      }
      std::uniform_int_distribution<std::int32_t> position(lngMin, lngMax);
      const std::int32_t p = position(random_);
      std::string pivot = std::move(strList[p]);
      if (p != lngMin) strList[p] = std::move(strList[lngMin]);

      std::int32_t lo = lngMin;
      std::int32_t hi = lngMax;
      for (;;) {
        while (hi > lo && strList[hi] >= pivot) --hi;
        if (hi <= lo) {
          strList[lo] = std::move(pivot);
          break;
        }
        strList[lo] = std::move(strList[hi]);
        ++lo;
        while (lo < hi && strList[lo] < pivot) ++lo;
        if (lo >= hi) {
          lo = hi;
          strList[hi] = std::move(pivot);
          break;
        }
        strList[hi] = std::move(strList[lo]);
      }

      Quicksort(strList, lngMin, lo - 1);
      lngMin = lo + 1;
    }
  } catch (...) {
    ShowErrorBox(" in Quicksort");
  }
}

}  // namespace pixferry
