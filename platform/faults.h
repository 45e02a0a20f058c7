// Test-only failures of file operations. Each operation the fault tests make fail asks Check()
// first, in the seams of the portable files (files.cpp, tree.cpp, copy.cpp, copy_check.cpp), and
// fails with the number it answers. In the product it always answers 0 and compiles away; a build
// with PIXFERRY_FAULT_INJECTION lets a test make the Nth call of an operation fail with a chosen
// run-time number, as a card pulled out or a full disk would.
#pragma once

#ifdef PIXFERRY_FAULT_INJECTION
#include <functional>
#endif

namespace pixferry::faults {

enum class Op {
  ListingOpen,
  ListingNext,
  WriteAttributes,
  MakeFolder,
  RemoveFolder,
  RemoveFile,
  CopyOpen,
  CopyRead,
  CopyWrite,
  CopyCommit,
  CopyVerify,   // reading a copy back from the destination
  CopyRename,   // giving a verified copy its final name
  CopyCorrupt,  // not a failure: the copy written stores one byte wrong
  CopyList,     // adding proved copies' lines to their hash list
  kCount
};

#ifdef PIXFERRY_FAULT_INJECTION
// 0, or the run-time number this call of op must fail with.
int Check(Op op) noexcept;
// From now on, calls nth to nth + times - 1 of op (counting from 1) fail with error.
void Arm(Op op, int nth, int error, int times = 1) noexcept;
// From now on, every call of op from the nth on fails with error: a card pulled, a dying disk.
void ArmFrom(Op op, int nth, int error) noexcept;
// Runs action during call nth of op (counting from 1), before the operation itself goes on: a
// test's way to change the file system at the very moment the program reaches that step.
void OnCall(Op op, int nth, std::function<void()> action);
// Forgets every plan and resets the counts.
void Disarm() noexcept;
// The calls of op since the last Arm, OnCall or Disarm of it.
int Calls(Op op) noexcept;
#else
inline constexpr int Check(Op) noexcept {
  return 0;
}
#endif

}  // namespace pixferry::faults
