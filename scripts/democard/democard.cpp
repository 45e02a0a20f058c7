#include "scripts/democard/democard.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "platform/ansi.h"
#include "scripts/democard/mpeg1.h"

namespace fs = std::filesystem;

namespace democard {
namespace {

constexpr int kRecordLength = 255;

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// A gradient in the photo's own hues, its number large in the middle and its name and size below,
// so every photo is told apart at a glance, in the preview box too.
QImage DrawPhoto(int number, const PhotoPlan& plan) {
  QImage image(plan.width, plan.height, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);

  const int hue = (number * 47) % 360;
  QLinearGradient gradient(0, 0, plan.width, plan.height);
  gradient.setColorAt(0.0, QColor::fromHsv(hue, 120, 250));
  gradient.setColorAt(1.0, QColor::fromHsv((hue + 70) % 360, 255, 110));
  painter.fillRect(image.rect(), gradient);

  const int shorter = std::min(plan.width, plan.height);
  QFont font("Liberation Sans");
  font.setBold(true);

  font.setPixelSize(shorter * 11 / 20);
  QPainterPath digits;
  const QString text = QString::number(number);
  digits.addText(0, 0, font, text);
  const QRectF box = digits.boundingRect();
  digits.translate(plan.width / 2.0 - box.center().x(), plan.height / 2.0 - box.center().y());
  painter.setPen(QPen(QColor(20, 20, 20), shorter / 80.0));
  painter.setBrush(Qt::white);
  painter.drawPath(digits);

  font.setPixelSize(std::max(12, shorter / 16));
  painter.setFont(font);
  painter.setPen(Qt::white);
  const QString caption =
      QString::fromStdString(plan.name) + QString("  %1 x %2").arg(plan.width).arg(plan.height);
  painter.drawText(image.rect().adjusted(0, 0, 0, -shorter / 20),
                   Qt::AlignHCenter | Qt::AlignBottom, caption);
  painter.end();
  return image;
}

void SavePhoto(const QImage& image, const fs::path& path) {
  if (!image.save(QString::fromStdString(path.string()), "JPG", 85)) {
    throw std::runtime_error("cannot write the photo " + path.string() +
                             " (is Qt's JPEG plugin installed?)");
  }
}

// Only an empty folder or one this tool made may be replaced: the folder name comes from the
// command line, and a slip there must not cost anyone their files.
void ClearEarlierDemo(const fs::path& demo) {
  if (!fs::exists(demo)) return;
  if (!fs::is_directory(demo)) throw std::runtime_error(demo.string() + " is not a folder");
  const bool empty = fs::directory_iterator(demo) == fs::directory_iterator();
  if (!empty && !fs::exists(demo / kMarkerName)) {
    throw std::runtime_error(
        demo.string() + " holds files that are not an earlier demo card; choose another folder");
  }
  // remove_all removes a symbolic link itself, never what it points to.
  fs::remove_all(demo / "card");
  fs::remove_all(demo / "Cases");
}

}  // namespace

const std::vector<PhotoPlan>& Photos() {
  static const std::vector<PhotoPlan> photos = {
      {"IMG_0001.JPG", 640, 480},   {"IMG_0002.JPG", 1600, 1200}, {"IMG_0003.JPG", 3000, 2000},
      {"IMG_0004.JPG", 1200, 1600}, {"IMG_0005.jpg", 1024, 768},  {"IMG_0006.JPG", 2048, 1536},
      {"IMG_0007.JPG", 800, 600},
  };
  return photos;
}

std::string SettingsRecord(std::string_view utf8) {
  const std::string ansi = pixferry::Utf8ToAnsi(utf8);
  if (pixferry::AnsiToUtf8(ansi) != utf8) {
    throw std::runtime_error("\"" + std::string(utf8) + "\" has characters Windows-1252 lacks");
  }
  if (ansi.size() > kRecordLength - 2) {
    throw std::runtime_error("\"" + std::string(utf8) +
                             "\" is longer than a settings record holds");
  }
  std::string record(kRecordLength, '\0');
  record[0] = static_cast<char>(ansi.size() & 0xFF);
  record[1] = static_cast<char>(ansi.size() >> 8);
  std::copy(ansi.begin(), ansi.end(), record.begin() + 2);
  return record;
}

DemoCard MakeDemoCard(const fs::path& demo_folder) {
  const fs::path demo = fs::weakly_canonical(fs::absolute(demo_folder));
  DemoCard made{demo / "card", demo / "card" / "DCIM" / "100MEDIA", demo / "Cases"};
  // Records: destination root, media program, program-is-local switch, renaming switch. Formed
  // first, so a path the file cannot hold stops the run before anything is replaced.
  const std::string settings = SettingsRecord(made.cases.string()) + SettingsRecord("Internal") +
                               SettingsRecord("False") + SettingsRecord("False");

  ClearEarlierDemo(demo);
  fs::create_directories(made.media);
  fs::create_directories(made.cases);
  WriteBytes(demo / kMarkerName,
             "Made by make_demo_card; its next run replaces card/ and Cases/ here.\n");

  int number = 0;
  for (const PhotoPlan& plan : Photos())
    SavePhoto(DrawPhoto(++number, plan), made.media / plan.name);
  WriteBytes(made.media / kClipName, MpegClip());
  SavePhoto(DrawPhoto(number + 1, PhotoPlan{std::string(kClipName), 160, 120}),
            made.media / kThumbnailName);
  WriteBytes(made.card / "paths.dat", settings);
  return made;
}

}  // namespace democard
