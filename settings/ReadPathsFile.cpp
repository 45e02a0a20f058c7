#include <string>

#include "app/frmMain.h"
#include "platform/records.h"
#include "settings/PathsFile.h"

namespace pixferry {

// A record that cannot be read ends the reading there: the ones before it stay read.
void frmMain::ReadPathsFile() {
  // Closed when the block ends, also when a read fails, so the box never finds it open.
  RecordFile settings(std::string(kPathsFile), RecordFile::Mode::ReadOnly);
  strSavePath = settings.Read(paths_record::kDestination);
  strMediaProgram = settings.Read(paths_record::kProgram);
  strLocalSwitch = settings.Read(paths_record::kLocal);
  strRenameSwitch = settings.Read(paths_record::kRename);
  settings.Close();
}

}  // namespace pixferry
