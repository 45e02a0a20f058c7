// SHA-256 against known digests, and the hash lists checked by sha256sum itself where it runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <sys/mount.h>
#endif

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/hash_list.h"
#include "platform/paths.h"
#include "platform/sha256.h"
#include "tests/support/namespaces.h"
#include "tests/support/tempdir.h"

namespace pixferry {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using namespace std::chrono_literals;

Digest DigestOf(std::string_view bytes, std::size_t piece = std::string_view::npos) {
  Sha256 hash;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    hash.Update(bytes.data() + at, std::min(piece, bytes.size() - at));
  }
  return hash.Finish();
}

std::string Hex(std::string_view bytes) {
  return ToHex(DigestOf(bytes));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

#ifndef _WIN32
// sha256sum's own verdict on the list, run where the guide says (in the destination root): 0 when
// it passes; what failed goes to the test's output, unless the failure is expected.
int Sha256sum(const std::string& root, const std::string& list, const char* output = "") {
  return std::system(
      ("cd '" + root + "' && sha256sum -c --strict --quiet '" + list + "'" + output).c_str());
}
#endif

// Digests everyone agrees on, given whole and in pieces across the 64-byte block.
TEST(Sha256, GivesTheDigestsOfKnownTexts) {
  for (const std::size_t piece : {std::string_view::npos, std::size_t{1}, std::size_t{63}}) {
    EXPECT_EQ(ToHex(DigestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", piece)),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1")
        << piece;
  }
  // Finish starts afresh: the empty text's digest.
  Sha256 hash;
  hash.Update("abc", 3);
  hash.Finish();
  EXPECT_EQ(ToHex(hash.Finish()),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

class HashListTest : public ::testing::Test {
 protected:
  // A photo on the card, last changed at 2026-12-07 10:15:00 UTC, and its proved copy in the case
  // folder C_1 under copy_name.
  HashRecord Copy(const std::string& name, const std::string& copy_name, std::string_view bytes) {
    WriteFile(card / name, bytes);
    WriteFile(root / ("C_1/" + copy_name), bytes);
    const std::chrono::sys_seconds taken = std::chrono::sys_days{2026y / 12 / 7} + 10h + 15min;
    fs::last_write_time(FileSystemPath(card / name), fs::file_time_type::clock::from_sys(taken));
    // Proved within that second.
    return {DigestOf(bytes), "C_1/" + copy_name, card / name, StampAt(card / name),
            UtcTimeText(taken + 999ms)};
  }

  std::string ListText() const { return ReadFile(root / "C_1.sha256"); }

  TempDir card, root;
  HashList list{root.path(), "C_1"};
};

// The life of one case folder's list: two jobs, the second after a restart, then Overwrites,
// each checked by sha256sum; a copy changed afterwards fails the check.
TEST_F(HashListTest, ListsEveryCopySoThatSha256sumChecksIt) {
  std::vector<HashRecord> records = {Copy("IMG_0001.JPG", "IMG_0001.JPG", "one"),
                                     Copy("IMG_0002.JPG", "00000002.JPG", "two")};
  ASSERT_EQ(list.Add(records), 0);
  const std::vector<std::string> lines = Lines(ListText());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "# Pixferry " PIXFERRY_PROGRAM_VERSION
                      " SHA-256 list. Check it in the folder that holds it: sha256sum -c "
                      "\"C_1.sha256\"");
  // Times in nanoseconds since 1970 on every system: 1796638500 s is the photo's moment.
  EXPECT_TRUE(lines[1].starts_with("# source size=3 modified=1796638500000000000 changed="))
      << lines[1];
  EXPECT_TRUE(lines[1].ends_with(" checked=2026-12-07T10:15:00Z path=" + (card / "IMG_0001.JPG")))
      << lines[1];
  EXPECT_EQ(lines[2], Hex("one") + "  C_1/IMG_0001.JPG");

  // Names sha256sum escapes, a blank and "%" in the card's path, UTF-8.
#ifdef _WIN32
  const std::vector<std::string> odd = {"100% sure \xC3\xA9.JPG"};
#else
  const std::vector<std::string> odd = {"100% sure \xC3\xA9.JPG", "back\\slash.JPG",
                                        "line\nbreak\r.JPG"};
#endif
  const std::string first_job = ListText();
  for (const std::string& name : odd) records.push_back(Copy(name, name, name));
  // The program started again.
  ASSERT_EQ(HashList(root.path(), "C_1").Add({records.begin() + 2, records.end()}), 0);
  EXPECT_TRUE(ListText().starts_with(first_job)) << "a later job only appends";

  // Overwritten: a copy the second object listed, by the first, which must read what the second
  // added; one the first listed, by it as it left the list, and then by a third as the program
  // runs again. Each copy keeps one line, the last one given.
  records[2] = Copy(odd[0], odd[0], "uno");
  ASSERT_EQ(list.Add({records[2]}), 0);
  records[0] = Copy("IMG_0001.JPG", "IMG_0001.JPG", "eins");
  ASSERT_EQ(list.Add({records[0]}), 0);
  records[0] = Copy("IMG_0001.JPG", "IMG_0001.JPG", "yksi");
  ASSERT_EQ(HashList(root.path(), "C_1").Add({records[0]}), 0);
  EXPECT_EQ(Lines(ListText()).size(), 1 + 2 * records.size());
  EXPECT_EQ(AllNames(root.path()), (Names{"C_1", "C_1.sha256"})) << "a temporary was left";
#ifndef _WIN32
  EXPECT_EQ(Sha256sum(root.path(), "C_1.sha256"), 0);
  WriteFile(root / "C_1/00000002.JPG", "junk");
  EXPECT_NE(Sha256sum(root.path(), "C_1.sha256", " >/dev/null 2>&1"), 0);
#endif

  // What Delete reads after a restart: every record as it was given.
  std::vector<HashRecord> read;
  ASSERT_EQ(ReadHashLists(root.path(), read), 0);
  const auto fields = [](const std::vector<HashRecord>& given) {
    std::multimap<std::string, std::tuple<Digest, std::string, FileStamp, std::string>> all;
    for (const HashRecord& r : given)
      all.emplace(r.copy, std::tuple(r.digest, r.source, r.stamp, r.checked));
    return all;
  };
  EXPECT_TRUE(fields(read) == fields(records));
}

#ifdef _WIN32
// Windows finds a name in any letter case: the list gives the name the file holds, and a copy now
// named in another letter case than its line replaces that line.
TEST_F(HashListTest, ListsACopyByTheNameItHolds) {
  WriteFile(root / "C_1.sha256", Hex("one") + "  C_1/IMG_0001.JPG\n");
  HashRecord record = Copy("A.JPG", "img_0001.jpg", "two");
  record.copy = "C_1\\IMG_0001.JPG";
  ASSERT_EQ(list.Add({record}), 0);
  const std::vector<std::string> lines = Lines(ListText());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], Hex("two") + "  C_1/img_0001.jpg");
}
#endif

// Lists written by hand or by other tools (read whatever the extension's letter case): CRLF,
// binary mode's "*", escaped names and percent-encoded fields; what is not understood is passed
// over. Only files directly in the root whose names end in ".sha256" are lists.
TEST_F(HashListTest, ReadsListsWrittenByHand) {
  const std::string a = Hex("a");
  WriteFile(root / "hand.SHA256",
            "# source  checked=x%20y  size=2 colour=red modified=6 path=/card/1%25 F\r\n" + a +
                " *C/F.JPG\r\n\\" + a + "  C/G\\\\.JPG\\n\nSHA256 (C/H.JPG) = " + a + "\ng" +
                a.substr(1) + "  C/H.JPG\n");
  WriteFile(root / "other.txt", a + "  C/I.JPG\n");
  WriteFile(root / "C.sha256/inner.sha256", a + "  C/I.JPG\n");
  std::vector<HashRecord> read;
  ASSERT_EQ(ReadHashLists(root.path(), read), 0);
  std::vector<std::string> summary;
  for (const HashRecord& record : read) {
    EXPECT_EQ(record.digest, DigestOf("a"));
    summary.push_back(record.copy + "|" + record.source + "|" + record.checked + "|" +
                      std::to_string(record.stamp.size));
  }
  EXPECT_EQ(summary, (std::vector<std::string>{"C/F.JPG|/card/1% F|x y|2", "C/G\\.JPG\n|||0"}));
}

// A list whose last line lost its end, by hand or as a crash mid-append leaves it (zeros where
// the data never reached the disk): the next Add mends it, and sha256sum still checks the list.
TEST_F(HashListTest, AddMendsALastLineWithoutItsEnd) {
  const std::string listed = "# by hand\n" + Hex("one") + "  C_1/A.JPG";
  Copy("A.JPG", "A.JPG", "one");
  const HashRecord two = Copy("B.JPG", "B.JPG", "two");
  for (const std::string& text : {listed, listed + "\n" + std::string(40, '\0')}) {
    WriteFile(root / "C_1.sha256", text);
    ASSERT_EQ(list.Add({two}), 0);
    const std::vector<std::string> lines = Lines(ListText());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0] + "\n" + lines[1], listed);
    EXPECT_EQ(lines[3], Hex("two") + "  C_1/B.JPG");
#ifndef _WIN32
    EXPECT_EQ(Sha256sum(root.path(), "C_1.sha256"), 0);
#endif
  }
}

#ifndef _WIN32
// A destination that fills up: the append that does not fit, and the whole list written anew for
// an Overwrite, fail with "Disk full" and leave the list as it was, and no temporary.
TEST_F(HashListTest, AFailedAddLeavesTheListAsItWas) {
  EXPECT_EQ(InMountNamespace(Expecting([&] {
              ASSERT_EQ(::mount("tmpfs", root.path().c_str(), "tmpfs", 0, "size=64k"), 0);
              const HashRecord small{DigestOf("a"), "C_1/A.JPG", "/card/A.JPG", {1, 2, 3}, ""};
              // More than the slack in the list's last block.
              const HashRecord large{DigestOf("b"), "C_1/B.JPG", std::string(8000, 'b'), {}, ""};
              ASSERT_EQ(list.Add({small}), 0);
              // Fill the rest of the file system: the write stops short where it is full.
              std::ofstream(root / "fill") << std::string(1 << 20, 'x');
              const std::string before = ListText();
              // Lines added, then the list written anew without the lines of an overwritten copy.
              for (const std::vector<HashRecord>& adding :
                   {std::vector{large}, std::vector{small, large}}) {
                EXPECT_EQ(list.Add(adding), err::kDiskFull);
                EXPECT_EQ(ListText(), before);
                EXPECT_EQ(AllNames(root.path()), (Names{"C_1.sha256", "fill"}));
              }
            })),
            "");
}
#endif

}  // namespace
}  // namespace pixferry
