// tarnpack inspect: what a package says of itself, for the administrator who
// deploys it. The package is judged as the setup stub judges it (the
// trailer, then every entry of both archives read whole against its CRC-32
// and its stated size); a damaged package gets the stub's own message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct InspectedFile {
  std::string name;  // "/"-separated, as in the payload archive
  uint64_t bytes = 0;
};

struct InspectedTask {
  std::string name, line;  // the key and the task line of the setup script
};

struct Inspection {
  std::string path;
  int64_t size = 0;
  std::string architecture;  // "x86", "x64", or the COFF machine in hexadecimal
  // The package's version information.
  std::string description, fileVersion, productName, company, platform;
  // The signature: checked by `osslsigncode verify` where tarnpack runs programs.
  bool isSigned = false, checked = false, valid = false;
  std::string signer, timestamp, verdict;  // verdict: "valid" or why not, or why it was not checked
  // The setup script and the localization files.
  std::string product, version, publisher, website;
  std::vector<std::string> languages;
  std::vector<InspectedTask> installTasks, uninstallTasks;
  // The payload.
  uint64_t fileCount = 0, totalBytes = 0;
  std::vector<InspectedFile> largest;  // at most kLargestShown, largest first
  bool requiredKnown = false;
  uint64_t requiredSpace = 0;  // from the statistics file, as the wizard reads it
};

constexpr size_t kLargestShown = 10;

// Reads and judges the package. False with `refusal` set to the setup
// stub's message when the package is damaged, or to why it cannot be read.
// `caFile`, when given, holds the certificates the signature's chain is
// checked against (else osslsigncode's default bundle).
bool InspectPackage(const std::string& path, const std::string& caFile, Inspection* out, std::string* refusal);

// The report as text, and as one JSON object.
std::string InspectionText(const Inspection& in);
std::string InspectionJson(const Inspection& in);

// "tarnpack inspect PACKAGE [--json] [--ca FILE]" (argv[1] is "inspect"):
// 0 with the report on the standard output, 1 for a damaged package (the
// stub's message on the standard error), 2 for a wrong command line.
int InspectCommand(int argc, char** argv);
