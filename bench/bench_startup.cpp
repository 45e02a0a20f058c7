// Start-up to a shown main window, with a card of 5,000 photos in the program's folder: the
// settings read, the scan of DCIM, the sorted source list and the first photo on show.
//
//   bench_startup [photos] [rounds]
//
// Each round starts a fresh process (this program again, as a child) and measures from just
// before it is started until it reports its window shown, so loading the libraries counts too.
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/records.h"
#include "ui/qt/Fonts.h"
#include "ui/qt/Program.h"

namespace fs = std::filesystem;

namespace {

// The child: the program's own start-up, then one line on stdout once the window is up.
int RunChild(const char* card) {
  fs::current_path(card);
  int argc = 1;
  char name[] = "pixferry";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  pixferry::qt::LoadFonts();
  pixferry::qt::Program program;
  program.Start();
  QApplication::processEvents();
  const QWidget* window = program.main_window.widget();
  if (window == nullptr || !window->isVisible() || program.form.lngSourceCount <= 0) {
    std::printf("failed\n");
    return 1;
  }
  std::printf("shown %d\n", program.form.lngSourceCount);
  std::fflush(stdout);
  _exit(0);  // the figure ends at the shown window; tearing down is no part of it
}

QByteArray SmallJpeg() {
  QImage image(640, 480, QImage::Format_RGB32);
  image.fill(QColor(90, 120, 150));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG", 80);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--child") return RunChild(argv[2]);
  const int photos = argc > 1 ? std::atoi(argv[1]) : 5000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  if (photos <= 0 || rounds <= 0) {
    std::fprintf(stderr, "usage: bench_startup [photos] [rounds]\n");
    return 2;
  }
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::setenv("QT_LOGGING_RULES", "qt.qpa.*=false", 1);

  const fs::path card =
      fs::temp_directory_path() / ("pixferry-bench-startup-" + std::to_string(::getpid()));
  const fs::path media = card / "DCIM" / "100MEDIA";
  fs::create_directories(media);
  fs::create_directories(card / "cases");
  {
    int qargc = 1;
    char qname[] = "bench";
    char* qargv[] = {qname, nullptr};
    const QByteArray jpeg = [&] {
      QApplication app(qargc, qargv);
      return SmallJpeg();
    }();
    for (int i = 1; i <= photos; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "IMG_%05d.JPG", i);
      std::ofstream(media / name, std::ios::binary).write(jpeg.constData(), jpeg.size());
    }
  }
  {
    pixferry::RecordFile settings;
    pixferry::ThrowIfError(
        settings.Open((card / "paths.dat").string(), pixferry::RecordFile::Mode::WriteOnly));
    pixferry::ThrowIfError(settings.Write(1, (card / "cases").string()));
    pixferry::ThrowIfError(settings.Write(4, "False"));
  }

  // The offscreen platform's notes on stderr are no part of the figure.
  const std::string command = std::string(argv[0]) + " --child " + card.string() + " 2>/dev/null";
  std::vector<double> times;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    FILE* child = ::popen(command.c_str(), "r");
    char line[64] = {};
    const bool shown = child != nullptr && std::fgets(line, sizeof line, child) != nullptr &&
                       std::string_view(line).starts_with("shown");
    const auto end = std::chrono::steady_clock::now();
    if (child != nullptr) ::pclose(child);
    if (!shown) {
      std::fprintf(stderr, "the window did not come up: %s\n", line);
      return 1;
    }
    times.push_back(std::chrono::duration<double>(end - start).count());
  }
  std::error_code ec;
  if (card.string().find("pixferry-bench-startup-") != std::string::npos) fs::remove_all(card, ec);

  std::sort(times.begin(), times.end());
  std::printf("start-up with %d photos: median %.3f s (best %.3f s, %d rounds)\n", photos,
              times[times.size() / 2], times.front(), rounds);
  return 0;
}
