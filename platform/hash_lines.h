// The text of a hash list's lines, in the form platform/hash_list.h shows: pure text, no system
// call. Private to the platform layer; platform/hash_list.cpp handles the list's file.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/hash_list.h"
#include "platform/sha256.h"

namespace pixferry::hash_lines {

// A copy's two lines: its source's "# source" line, then its hash line.
std::string SourceLine(const HashRecord& record);
std::string HashLine(const HashRecord& record);

// The first line of a new list: the program that wrote it, and the command that checks it, ready
// to paste where the name needs no shell's quoting rules.
std::string Header(const std::string& list_name);

// A line as "sha256sum -c" reads it: 64 hexadecimal digits, a blank, a blank or "*" (written in
// binary mode), the name; "\" first when the name is escaped.
bool ParseHashLine(std::string_view line, Digest& digest, std::string& copy);

// Calls each for every line of text, without its end (LF, or CRLF as Windows editors write);
// whole is false for a last line that has no end.
void ForEachLine(std::string_view text,
                 const std::function<void(std::string_view line, bool whole)>& each);

// A line the list may hold: a copy's, a comment, or a blank one.
bool IsListLine(std::string_view line);

// The list's text without the lines of the copies replaced (each with the "# source" line before
// it) and, when drop_last, without a last line left without its end: a write cut short.
std::string Without(std::string_view text, const std::unordered_set<std::string>& replaced,
                    bool drop_last);

}  // namespace pixferry::hash_lines
