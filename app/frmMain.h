// The main window: its state, its controls and every procedure of the program. The members are
// defined in the folder of the subsystem they belong to (copy/StartMassCopy.cpp defines
// frmMain::StartMassCopy), so a reader who knows the behaviour knows the folder.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainControls.h"
#include "app/Screen.h"
#include "platform/cases_in_progress.h"
#include "copy/VerifiedCopies.h"
#include "lists/FileList.h"
#include "platform/copy.h"

namespace pixferry {

struct DeleteFence;

class frmShowPhoto;

class frmMain : public MainControls {
 public:
  frmMain(const MainControls& controls, frmShowPhoto& viewer, Desktop& desktop);
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  // ---- Event handlers (the front ends route events here through the wiring table).
  void Form_Load();
  void cmdClose_Click();
  void cmdSource_Click();
  void cmdStartCopy_Click();
  void cmdDelete_Click();
  void cmdSourceFirst_Click();
  void cmdSourcePrevious_Click();
  void cmdSourceNext_Click();
  void cmdSourceLast_Click();
  void cmdTargetFirst_Click();
  void cmdTargetPrevious_Click();
  void cmdTargetNext_Click();
  void cmdTargetLast_Click();
  void cmdViewSource_Click();
  void cmdViewTarget_Click();
  void imgSource_DblClick();
  void txtDate_LostFocus();

  // ---- Procedures.
  // settings/: the command words; each returns true when the box held a command (click ends).
  bool SourceCommand();
  bool StartCommand();
  // settings/: the save folder, the media program and its two switches, from paths.dat in the
  // current directory.
  void ReadPathsFile();
  // settings/: strSavePath := strFolder with renaming off, written as the "Save " command writes
  // them, then the same confirmation. A folder the file's code page cannot hold is refused.
  void SaveDestination(const std::string& strFolder);
  // app/: the first start with the settings in the user's folder asks where case folders go.
  void AskForDestination();
  // lists/
  void GetAllSubDirectories(std::vector<std::string>& strSubDirectories,
                            std::string strStartDirectory);
  // False when the folder could not be listed whole (the operator has been told).
  bool SortedFiles(std::string strPath, std::int32_t& lngFileCount,
                   std::vector<std::string>& strFiles, bool blnNoDot, bool blnNoDotDot);
  void Quicksort(std::vector<std::string>& strList, std::int32_t lngMin, std::int32_t lngMax);
  void SetSourceList();
  void SetTargetList();
  void SelectSource();
  // copy/
  void CopyRequest();
  void StartMassCopy(std::int32_t& lngErrors, std::int32_t lngCount,
                     const std::vector<std::string>& strFiles);
  void SetLastTargetFile(std::string& strLastFile, std::int32_t& intLastFile,
                         std::int32_t& intError);
  // cleanse/: asks before Delete removes photos without a verified copy, and refuses a tree that
  // holds a folder of the fence; false ends the click.
  bool ConfirmUncopied(const DeleteFence& fence);
  // shell/
  std::string PickFolder(const std::string& strStartFolder, const std::string& strTitle);

  // The error box: number, one space, description, suffix; OK only unless style says more.
  // Call it inside a catch block: it reports the exception being handled.
  void ShowErrorBox(std::string_view suffix, int style = mb::kOkOnly, std::string_view title = {});
  // The case folder: strSavePath, separator, strIncidentNumber, "_", strUserName, "_",
  // strCopyDate.
  std::string CaseFolderPath() const;
  // Where the card's photo folder is looked for: strCardDirectory, else strMyDirectory.
  const std::string& CardDirectory() const;

  // ---- Form-level state. Arrays keep entry 0 unused so positions count from 1.
  std::string strSavePath;
  std::string strTargetFileName;
  std::string strSourcePath;
  std::string strSourceFileName;
  // The last folder the Set Source picker returned since start; empty until the first pick.
  std::string strLastSourcePath;
  std::string strIncidentNumber;
  std::string strUserName;
  std::string strCopyDate;
  std::string strMyDirectory;
  // Where the card's photo folder is looked for when the current directory is not the card: the
  // card handed over at start, or the folder started in when that was no card (the settings then
  // live in the user's settings folder, the current directory). Empty when the current directory
  // is the card and holds paths.dat. Set before Form_Load.
  std::string strCardDirectory;
  // The two lists on show; their parts go by the names the procedures use.
  FileList source_list{
      txtSource,
      {&cmdSourceFirst, &cmdSourcePrevious, &cmdSourceNext, &cmdSourceLast, &cmdViewSource}};
  FileList target_list{
      txtTarget,
      {&cmdTargetFirst, &cmdTargetPrevious, &cmdTargetNext, &cmdTargetLast, &cmdViewTarget}};
  std::vector<std::string>& strSourceFiles = source_list.strFiles;
  std::int32_t& lngSourceCount = source_list.lngCount;
  std::int32_t& lngSourceIndex = source_list.lngIndex;
  std::vector<std::string>& strTargetFiles = target_list.strFiles;
  std::int32_t& lngTargetCount = target_list.lngCount;
  std::int32_t& lngTargetIndex = target_list.lngIndex;
  std::string strTargetPath;
  std::string strMediaProgram;
  std::string strViewedFile;
  std::string strViewedList;
  std::string strLocalSwitch;
  std::string strRenameSwitch;
  // Every copy proved on its destination, for Delete's question; and how far reading the card may
  // run ahead of the copies' checks.
  VerifiedCopies verified_copies;
  CopyJobLimits copy_job_limits;
  // The case folders jobs are copying into, marked in the user's settings folder from Form_Load
  // on, so that the next start cleans up after a run killed midway. None before Form_Load.
  CasesInProgress cases_in_progress;

  frmShowPhoto& viewer;
  Desktop& desktop;

 private:
  // Runs one step of a list's navigation, reporting what it throws.
  void Navigate(FileList& list, void (FileList::*step)());

  std::mt19937 random_;  // pivots of Quicksort
};

// The built-in photo viewer: a window, its picture box and the four close buttons' action.
class frmShowPhoto {
 public:
  frmShowPhoto(Window& form, PictureBox& imgSource, Desktop& desktop);
  void cmdClose_Click();  // the four "X" buttons and the title-bar close box

  Window& form;
  PictureBox& imgSource;
  Desktop& desktop;
};

}  // namespace pixferry
