#include "ui/qt/OpenWithProgram.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace pixferry::qt {
namespace {

// The program file as execv wants it: a name without a separator is looked for on PATH, as a
// shell would.
std::string ProgramFile(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = end > start ? folders.substr(start, end - start) : ".";
    candidate += '/';
    candidate.append(program);
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return program;
}

}  // namespace

// The name bytes go to the program exactly as the core holds them: a name that is not UTF-8 is
// still the name of the file on disk. The program is started detached (its parent, a short-lived
// child, is reaped at once), so it outlives Pixferry and leaves no zombie behind.
void StartProgram(const std::string& program, const std::string& parameters,
                  const std::string& directory) {
  if (program.empty()) return;
  const std::string file = ProgramFile(program);
  std::vector<std::string> words{program};
  if (!parameters.empty()) words.push_back(parameters);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // Only async-signal-safe calls between fork and exec.
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    if (::fork() == 0) {
      ::setsid();
      if (!directory.empty() && ::chdir(directory.c_str()) != 0) ::_exit(127);
      ::execve(file.c_str(), argv.data(), environ);
      ::_exit(127);
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
}

}  // namespace pixferry::qt
