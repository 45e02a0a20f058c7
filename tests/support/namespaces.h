// Running part of a test where it may do what only root may, or where root's rights do not
// apply: in a forked child, so whatever it changes about the process goes with it.
#pragma once

#ifndef _WIN32

#include <functional>
#include <string>

namespace pixferry::testing {

// A check run in a child: the empty text when all went as expected, otherwise what went wrong.
using ChildCheck = std::function<std::string()>;

// Moves the calling process into new user and mount namespaces, as root there, with its mounts
// private to it. Returns the empty text, or what failed.
std::string EnterMountNamespace();

// Runs check in a child inside such namespaces, where it may mount a tmpfs or bind
// a folder without being root; the mounts end with the child and are never seen outside it.
// Returns the empty text when the check passed; otherwise the child has printed its answer, or
// why it could not run the check, and the text says that it failed.
std::string InMountNamespace(const ChildCheck& check);

// A check written with gtest's assertions: they print from the child as usual, and the answer
// says that some failed. The test's own failures before the fork must be none.
ChildCheck Expecting(const std::function<void()>& body);

// Inside InMountNamespace: gives up root's rights over other users' folders, so that folder
// permissions apply as to their owner (who may still change them). Returns the empty text, or
// what failed.
std::string DropFileRights();

// Inside InMountNamespace: binds folder over itself read-only, as a write-protected card is.
// Returns the empty text, or what failed.
std::string MountReadOnly(const std::string& folder);

}  // namespace pixferry::testing

#endif
