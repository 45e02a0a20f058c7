#include "scripts/democard/democard.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <filesystem>
#include <set>

#include "platform/records.h"
#include "scripts/democard/mpeg1.h"
#include "tests/support/tempdir.h"

namespace fs = std::filesystem;
using pixferry::testing::ReadFile;
using pixferry::testing::TempDir;
using pixferry::testing::WriteFile;

namespace {

TEST(SettingsRecord, LengthTextAndZeroFiller) {
  const std::string record = democard::SettingsRecord("D:\\Cases");
  ASSERT_EQ(record.size(), 255u);
  EXPECT_EQ(record.substr(0, 10), std::string("\x08\x00"
                                              "D:\\Cases",
                                              10));
  EXPECT_EQ(record.substr(10), std::string(245, '\0'));
}

TEST(SettingsRecord, WritesWindows1252AndRefusesWhatDoesNotFit) {
  EXPECT_EQ(democard::SettingsRecord("Caf\xC3\xA9").substr(0, 6), std::string("\x04\x00"
                                                                              "Caf\xE9",
                                                                              6));
  EXPECT_EQ(democard::SettingsRecord(std::string(253, 'a')).substr(0, 2),
            std::string("\xFD\x00", 2));
  EXPECT_THROW(democard::SettingsRecord(std::string(254, 'a')), std::runtime_error);
  EXPECT_THROW(democard::SettingsRecord("\xE6\x97\xA5\xE6\x9C\xAC"), std::runtime_error);  // 日本
}

// Start codes (00 00 01 xx) in file order: the clip's whole structure, and any start code the
// picture data imitated by accident would show up here too.
std::vector<unsigned char> StartCodes(const std::string& bytes) {
  std::vector<unsigned char> codes;
  for (std::size_t i = 0; i + 3 < bytes.size(); ++i) {
    if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) {
      codes.push_back(static_cast<unsigned char>(bytes[i + 3]));
    }
  }
  return codes;
}

TEST(MpegClip, IsAnMpeg1ProgramStreamWithOneVideoPacket) {
  const std::string clip = democard::MpegClip();
  ASSERT_GT(clip.size(), 40u);
  EXPECT_EQ(clip.substr(0, 4), std::string("\x00\x00\x01\xBA", 4));
  EXPECT_EQ(static_cast<unsigned char>(clip[4]) >> 4, 0x2);  // MPEG-1 pack, not MPEG-2
  EXPECT_EQ(clip.substr(12, 4), std::string("\x00\x00\x01\xBB", 4));
  const std::size_t system_length =
      static_cast<unsigned char>(clip[16]) << 8 | static_cast<unsigned char>(clip[17]);
  const std::size_t packet = 18 + system_length;
  EXPECT_EQ(clip.substr(packet, 4), std::string("\x00\x00\x01\xE0", 4));
  const std::size_t packet_length = static_cast<unsigned char>(clip[packet + 4]) << 8 |
                                    static_cast<unsigned char>(clip[packet + 5]);
  // The packet runs exactly up to the end code that closes the file.
  EXPECT_EQ(packet + 6 + packet_length + 4, clip.size());
  EXPECT_EQ(clip.substr(clip.size() - 4), std::string("\x00\x00\x01\xB9", 4));
  // The sequence header after the time stamp: 352 x 240.
  const std::size_t sequence = packet + 6 + 5;
  EXPECT_EQ(clip.substr(sequence, 7), std::string("\x00\x00\x01\xB3\x16\x00\xF0", 7));
}

TEST(MpegClip, HoldsEveryPictureWithOneSlicePerMacroblockRow) {
  std::vector<unsigned char> expected = {0xBA, 0xBB, 0xE0, 0xB3, 0xB8};
  for (int picture = 0; picture < democard::kClipPictures; ++picture) {
    expected.push_back(0x00);
    for (int row = 1; row <= democard::kClipHeight / 16; ++row) {
      expected.push_back(static_cast<unsigned char>(row));
    }
  }
  expected.push_back(0xB7);
  expected.push_back(0xB9);
  EXPECT_EQ(StartCodes(democard::MpegClip()), expected);
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

TEST(MakeDemoCard, LaysOutACardWithDistinctPhotosAClipAndSettings) {
  TempDir temp;
  const democard::DemoCard card = democard::MakeDemoCard(temp / "demo");

  EXPECT_EQ(card.card, fs::path(temp / "demo/card"));
  EXPECT_EQ(card.media, fs::path(temp / "demo/card/DCIM/100MEDIA"));
  EXPECT_EQ(Names(card.card / "DCIM"), std::set<std::string>{"100MEDIA"});
  std::set<std::string> expected = {std::string(democard::kClipName),
                                    std::string(democard::kThumbnailName)};
  for (const auto& photo : democard::Photos()) expected.insert(photo.name);
  EXPECT_EQ(Names(card.media), expected);
  EXPECT_GE(democard::Photos().size(), 6u);

  std::set<QRgb> centres;
  std::set<QRgb> corners;
  for (const auto& photo : democard::Photos()) {
    const QImage image(QString::fromStdString((card.media / photo.name).string()));
    ASSERT_FALSE(image.isNull()) << photo.name;
    EXPECT_EQ(image.width(), photo.width) << photo.name;
    EXPECT_EQ(image.height(), photo.height) << photo.name;
    corners.insert(image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(0, 0));
    centres.insert(image.pixel(5, 5));
  }
  // Each photo has its own colours.
  EXPECT_EQ(centres.size(), democard::Photos().size());
  EXPECT_EQ(corners.size(), democard::Photos().size());
  EXPECT_FALSE(
      QImage(QString::fromStdString((card.media / democard::kThumbnailName).string())).isNull());
  EXPECT_EQ(ReadFile((card.media / democard::kClipName).string()), democard::MpegClip());

  EXPECT_TRUE(fs::is_directory(card.cases));
  EXPECT_TRUE(fs::is_empty(card.cases));
  EXPECT_EQ(fs::file_size(card.card / "paths.dat"), 4u * 255u);
  // Read back the way the program reads it.
  pixferry::RecordFile settings;
  ASSERT_EQ(settings.Open((card.card / "paths.dat").string(), pixferry::RecordFile::Mode::ReadOnly),
            0);
  const std::string records[] = {temp / "demo/Cases", "Internal", "False", "False"};
  for (int record = 1; record <= 4; ++record) {
    std::string text;
    EXPECT_EQ(settings.Read(record, text), 0);
    EXPECT_EQ(text, records[record - 1]);
  }
}

TEST(MakeDemoCard, ARunReplacesTheEarlierCardAndCasesButNothingElse) {
  TempDir temp;
  const democard::DemoCard first = democard::MakeDemoCard(temp / "demo");
  WriteFile((first.cases / "0815_Desk_2008-03-02/00000001.jpg").string(), "copy");
  WriteFile((first.card / "stray.txt").string(), "stray");
  WriteFile(temp / "demo/notes.txt", "mine");

  const democard::DemoCard second = democard::MakeDemoCard(temp / "demo");
  EXPECT_TRUE(fs::is_empty(second.cases));
  EXPECT_FALSE(fs::exists(second.card / "stray.txt"));
  EXPECT_EQ(ReadFile(temp / "demo/notes.txt"), "mine");
  EXPECT_EQ(Names(second.media).size(), democard::Photos().size() + 2);
}

TEST(MakeDemoCard, NeverFollowsALinkOutOfTheDemoFolder) {
  TempDir temp;
  democard::MakeDemoCard(temp / "demo");
  WriteFile(temp / "elsewhere/keep.jpg", "keep");
  fs::remove_all(temp / "demo/Cases");
  fs::create_directory_symlink(temp / "elsewhere", temp / "demo/Cases");

  democard::MakeDemoCard(temp / "demo");
  EXPECT_EQ(ReadFile(temp / "elsewhere/keep.jpg"), "keep");
  EXPECT_FALSE(fs::is_symlink(temp / "demo/Cases"));
}

TEST(MakeDemoCard, RefusesAFolderItDidNotMake) {
  TempDir temp;
  WriteFile(temp / "photos/card/DCIM/100MEDIA/IMG_0001.JPG", "precious");
  EXPECT_THROW(democard::MakeDemoCard(temp / "photos"), std::runtime_error);
  EXPECT_EQ(ReadFile(temp / "photos/card/DCIM/100MEDIA/IMG_0001.JPG"), "precious");

  WriteFile(temp / "a-file", "x");
  EXPECT_THROW(democard::MakeDemoCard(temp / "a-file"), std::runtime_error);
  EXPECT_EQ(ReadFile(temp / "a-file"), "x");
}

TEST(MakeDemoCard, AcceptsAnEmptyFolder) {
  TempDir temp;
  fs::create_directory(temp / "empty");
  const democard::DemoCard card = democard::MakeDemoCard(temp / "empty");
  EXPECT_TRUE(fs::exists(card.card / "paths.dat"));
}

}  // namespace

int main(int argc, char** argv) {
  // The photos' text needs a GUI application; no screen is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
