// The winget manifest set of a package: the version, installer and
// default-locale files of manifest schema 1.10.0, named as winget's
// community repository names them (Id.yaml, Id.installer.yaml,
// Id.locale.en-US.yaml).
//
// The package is an "exe" installer that elevates itself, installs for the
// machine and takes /S, /S /PASSIVE, /D=<INSTALLPATH> and /LOG=<LOGPATH>;
// winget finds the installed product by its uninstall entry, whose key name
// is the setup script's AppName.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct WingetManifest {
  // From the options.
  std::string id;            // PackageIdentifier, Publisher.Product
  std::string url;           // InstallerUrl
  std::string architecture;  // x86 or x64
  std::string license;       // License
  std::string description;   // ShortDescription; empty: AppName and Version
  std::string copyright;     // Copyright; empty: none
  // From the setup script, UTF-8.
  std::string name, version, publisher, website;
  std::string entry;  // the uninstall entry's key name
};

// True for an identifier and an installer address that winget's schema
// takes.
bool IsWingetIdentifier(const std::string& id);
bool IsWingetUrl(const std::string& url);

// Reads the setup script of the information folder into `manifest` and
// checks every field the manifest takes from it; false with `error` (before
// any package is made).
bool ReadWingetFields(const std::string& informationFolder, WingetManifest* manifest, std::string* error);

// The three files, name and text, for a package of this SHA-256 digest
// (64 upper-case hex digits).
std::vector<std::pair<std::string, std::string>> WingetFiles(const WingetManifest& manifest,
                                                             const std::string& sha256);

// Digests the finished package and writes the three files into `folder`
// (made when missing). `written` gets their paths.
bool WriteWingetManifests(const std::string& folder, const WingetManifest& manifest, const std::string& package,
                          std::vector<std::string>* written, std::string* error);
