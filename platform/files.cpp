// File-system services, written once over the primitives of platform/primitives.h, which each
// system's files.inc implements.
#include "platform/files.h"

#include <optional>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/faults.h"
#include "platform/primitives.h"

#ifdef _WIN32
#include "platform/win32/files.inc"
#else
#include "platform/posix/files.inc"
#endif

namespace pixferry {
namespace {

// The fault build's one seam: the services list folders and make them only through these.
namespace seam {

int OpenListing(std::string_view pattern, int mask, os::ListingState& listing) {
  if (const int e = faults::Check(faults::Op::ListingOpen)) return e;
  return os::OpenListing(pattern, mask, listing);
}

int NextName(os::ListingHandle& listing, std::string& name) {
  if (const int e = faults::Check(faults::Op::ListingNext)) return e;
  return os::NextName(listing, name);
}

// One look for an entry counts as one listing opened, whether or not the system needs one.
int FindEntry(std::string_view pattern, int mask, bool& found) {
  if (const int e = faults::Check(faults::Op::ListingOpen)) return e;
  const int looked = os::LookUpEntry(pattern, mask, found);
  if (looked != kNotThere) return looked;
  os::ListingState listing;
  if (const int e = os::OpenListing(pattern, mask, listing)) return e;
  std::string name;
  const int e = seam::NextName(*listing, name);
  found = e == 0;
  return e == kNotThere ? 0 : e;
}

int MakeFolder(const std::string& path) {
  if (const int e = faults::Check(faults::Op::MakeFolder)) return e;
  return os::MakeFolder(path);
}

}  // namespace seam

// A noexcept service's answer: memory running out (the one thing that can throw) is 7.
template <class Call>
int Answer(const Call& call) noexcept {
  try {
    return call();
  } catch (...) {
    return err::kOutOfMemory;
  }
}

}  // namespace

struct Listing::Impl {
  os::ListingState state;  // empty once the listing has ended
  int error = 0;
};

Listing::Listing(std::string_view pattern, int mask) : impl_(std::make_unique<Impl>()) {
  impl_->error = seam::OpenListing(pattern, mask, impl_->state);
  if (impl_->error != 0) impl_->state.reset();
}

Listing::~Listing() = default;
Listing::Listing(Listing&&) noexcept = default;
Listing& Listing::operator=(Listing&&) noexcept = default;

std::optional<std::string> Listing::Next() {
  if (!impl_->state) return std::nullopt;
  std::string name;
  const int e = seam::NextName(*impl_->state, name);
  if (e == 0) return name;
  // A failure part-way ends the listing; it never repeats a name.
  if (e != kNotThere) impl_->error = e;
  impl_->state.reset();
  return std::nullopt;
}

int Listing::error() const noexcept {
  return impl_->error;
}

int FindEntry(std::string_view pattern, int mask, bool& found) noexcept {
  found = false;
  return Answer([&] { return seam::FindEntry(pattern, mask, found); });
}

int ReadAttributes(const std::string& path, int& attributes) noexcept {
  return Answer([&] { return os::ReadAttributes(path, attributes); });
}

int MakeFolder(const std::string& path) noexcept {
  return Answer([&] { return seam::MakeFolder(path); });
}

int CurrentDirectory(std::string& path) noexcept {
  return Answer([&] { return os::CurrentDirectory(path); });
}

int StampOf(const std::string& path, FileStamp& stamp) noexcept {
  return Answer([&] { return os::StampOf(path, stamp); });
}

}  // namespace pixferry
