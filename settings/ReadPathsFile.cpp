#include <string>

#include "app/frmMain.h"
#include "platform/errors.h"
#include "platform/records.h"
#include "settings/PathsFile.h"

namespace pixferry {

// A record that cannot be read ends the reading there: the ones before it stay read.
void frmMain::ReadPathsFile() {
  // Closed when the block ends, also when a read fails, so the box never finds it open.
  RecordFile settings;
  ThrowIfError(settings.Open(std::string(kPathsFile), RecordFile::Mode::ReadOnly));
  ThrowIfError(settings.Read(paths_record::kDestination, strSavePath));
  ThrowIfError(settings.Read(paths_record::kProgram, strMediaProgram));
  ThrowIfError(settings.Read(paths_record::kLocal, strLocalSwitch));
  ThrowIfError(settings.Read(paths_record::kRename, strRenameSwitch));
  settings.Close();
}

}  // namespace pixferry
