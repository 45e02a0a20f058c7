// The case folders that copies are being written into. A job marks its case folder in the user's
// settings folder before its first copy and takes the mark away when it ends, so that the next
// start removes what a killed run left there, even when no later Start goes to that case folder.
// The marks live in the user's own settings folder, never on the card, which Start only reads,
// and serve whichever card the program is started on next.
#pragma once

#include <memory>
#include <string>

namespace pixferry {

// One job's mark: a small hidden file naming the case folder, held open and locked while the job
// runs. The lock tells the next start a live run's mark from a killed run's.
class CaseInProgress {
 public:
  CaseInProgress();  // marks nothing
  // Lets the mark go; it stays on the storage unless End was called.
  ~CaseInProgress();
  CaseInProgress(CaseInProgress&&) noexcept;
  CaseInProgress& operator=(CaseInProgress&&) noexcept;

  // The job has ended and its copies left no temporary behind: the mark goes.
  void End() noexcept;
  bool marked() const noexcept { return mark_ != nullptr; }

 private:
  friend class CasesInProgress;
  struct Mark;
  std::unique_ptr<Mark> mark_;
};

class CasesInProgress {
 public:
  CasesInProgress() = default;  // keeps no marks
  // The marks in folder, the user's settings folder; made when the first job starts.
  explicit CasesInProgress(std::string folder) : folder_(std::move(folder)) {}

  // Marks case_folder in progress, on the storage before it returns. A mark that cannot be made
  // costs only the cleaning after a killed run, so it never stops the job.
  CaseInProgress Begin(const std::string& case_folder) const noexcept;
  // At start-up: removes the hidden temporaries killed runs left in each case folder marked and
  // in the destination root above it (a hash list's), then the marks of folders left clean or
  // gone. What a live run holds stays, and so does its mark. Gives how many temporaries went.
  int CleanLeftBehind() const noexcept;

  const std::string& folder() const noexcept { return folder_; }

 private:
  std::string folder_;
};

}  // namespace pixferry
