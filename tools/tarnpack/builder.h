// Makes a package: the setup stub with the product's identity (but without
// a signature it carries, which is taken off), the payload archive, the
// information archive and the 11-byte trailer; signed when asked to be.
//
// The identity: the version resource names the product, its version and
// publisher (the setup script's AppName, Version and CompanyName, with
// --copyright), and --icon replaces the icon. The uninstaller the stub
// carries (resource RCDATA "UNINSTALLER", a zlib stream) gets the same, and
// is signed like the package; the PE checksum covers the whole package.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/tarnpack/signing.h"

struct BuildOptions {
  std::string stub;         // the setup stub executable
  std::string payload;      // folder of the files to install
  std::string information;  // folder with Config/Script.ini, Languages/, Resources/
  std::string output;       // the package to write
  // Shipped localization files to add, by name ("English", "German", ...).
  std::vector<std::string> languages;
  // Folder of the shipped localization files and default bitmaps; empty:
  // the "data" folder beside the builder.
  std::string dataFolder;
  // Signs the carried uninstaller and the finished package (not in the Windows build).
  SigningOptions signing;
  std::string icon;       // an .ico file for the package and its uninstaller; empty: the stub's own
  std::string copyright;  // LegalCopyright of both, UTF-8
  int level = 12;         // the compression level, 1 (fastest) to 12 (smallest)
  // SOURCE_DATE_EPOCH, seconds since 1970-01-01 00:00 UTC; -1: not set. When
  // set, no time in the archives is later, the DOS times are in UTC, and a
  // signature gets it as its signing time: the same inputs give the same
  // package on any machine, in any zone.
  int64_t sourceDateEpoch = -1;

};

struct BuildReport {
  uint64_t requiredSpace = 0;  // the payload's uncompressed bytes, written to Statistics.ini
  int64_t payloadArchive = 0;
  int64_t informationArchive = 0;
  int64_t packageSize = 0;  // signed: with the signature
  std::vector<std::string> notes;  // what the builder added on its own
};

// Writes the package, or nothing at all: on failure no file is left at the
// output path (an existing one stays as it was), nor any temporary file
// beside it, and `error` says why. A signed package is only put in place
// once its signature checks out and the archives are found in it where the
// setup stub looks for them.
bool BuildPackage(const BuildOptions& options, BuildReport* report, std::string* error);

// The uninstaller a setup stub (or package) carries, inflated. False with
// `error` when there is none or it cannot be inflated.
bool CarriedUninstaller(const std::string& stub, std::string* uninstaller, std::string* error);
