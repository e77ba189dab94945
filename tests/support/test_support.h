#pragma once
// The Wine tests' own toolbox: everything a test needs to arrange the machine
// around the code under test and to look at what it did, in one library
// (vts_test_support) that every Wine test links. Include what you use:
//
//   support/unique_name.h        UniqueName: a name no other test run uses.
//   support/scoped.h             Scoped: what every Scoped* class shares.
//   support/files.h              PathExists, IsFolder, ReadBytes, WriteBytes,
//                                Utf16Bytes, RemoveTree, TempFilePath,
//                                FullDiskFile (every write to it fails);
//                                ScratchFolder (a fresh folder for one test),
//                                ScopedFile / ScopedFolder (a file, no file, or
//                                a folder at a given place for one test).
//   support/registry.h           QueryRaw, KeyExists, SetRaw, DeleteKeyTree;
//                                ScopedRegistryValue (a value set for one test,
//                                in either registry view, restored after it).
//   support/programs.h           NextToThisTest, StartProgram,
//                                WindowsPathOfUnixPath; ScopedProgram (a fake
//                                program placed for one test, removed after);
//                                OnWow64 and ExpectedProgramFiles (64-bit or
//                                32-bit Windows).
//   support/fake_console_tools.h the fake powercfg/DISM: FakeToolsFolder and
//                                BuiltFakeTool (where they are built),
//                                ScopedScript (what they print for one test).
//   support/local_services.h     the local delivery and status services:
//                                where they run, their data and request log,
//                                ProxyScope (the prefix's proxy pointed at
//                                them for one test).
//   support/fake_depotron.h      the Depotron stand-ins: package, updater,
//                                start record, mutex.
//   support/terminal_state.h     the terminal's registry values held for one
//                                test; the account the tests run as.
//   support/recording_sink.h     RecordingSink: the reports a run makes.
//   support/com.h                ScopedCom: COM on the test's thread.
//   support/unix_side.h          UnixPathOf, RunUnixShell, UnixFacts (mode
//                                bits and user.wine.sd); ScopedUnixLink (a
//                                Unix symbolic link standing in for a
//                                junction, for one test).
//
// Failure model: nothing here throws or asserts. Functions answer false, an
// empty text or a status; the Scoped* classes answer ok(). The test asserts
// on those, so that a failure is reported where the test can name it. Every
// Scoped* object puts back what was there before, in its destructor, on every
// path out of the test, and is neither copied nor moved.
//
// Everything lives in namespace test_support.

#include "support/fake_console_tools.h"
#include "support/files.h"
#include "support/programs.h"
#include "support/registry.h"
#include "support/unique_name.h"
