#include "shell/qt/OpenWithProgram.h"

#include <QProcess>
#include <QStringList>

#include "ui/qt/Text.h"

namespace pixferry::qt {

void StartProgram(const std::string& program, const std::string& parameters,
                  const std::string& directory) {
  if (program.empty()) return;
  QStringList arguments;
  if (!parameters.empty()) arguments << ToQString(parameters);
  QProcess::startDetached(ToQString(program), arguments, ToQString(directory));
}

}  // namespace pixferry::qt
