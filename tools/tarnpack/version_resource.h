// What Windows shows of a program (Explorer's details, the elevation
// prompt): its version resource (VS_VERSIONINFO) and its icon. The package
// and the uninstaller it carries get the product's own. Pure logic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/tarnpack/pe_resources.h"

struct VersionFields {
  std::wstring description;       // FileDescription: "Acme Notes Setup"
  std::wstring productName;       // ProductName
  std::wstring version;           // FileVersion and ProductVersion, as written
  std::wstring company;           // CompanyName
  std::wstring copyright;         // LegalCopyright
  std::wstring originalFilename;  // OriginalFilename
  std::wstring platform;          // SetupPlatform: "Tarnwick Install Platform 1.0.0.0", the stub's own version
};

// The binary form of a version that reads as numbers: one to four decimal
// numbers up to 65535 separated by dots, the missing ones 0, and nothing
// after them but a part that begins with a blank, "-" or "+" ("2.1",
// "2.1.0.7", "3.0 beta", "1.4-rc2"). False for anything else ("v2",
// "2.x", "2024 Edition"), which gets the binary version 0.0.0.0.
bool NumericVersion(const std::wstring& text, uint64_t* version);

// A VS_VERSIONINFO block: the fixed information with the binary version (file
// and product alike; an application for Windows NT), then the strings in
// English (United States) and Unicode (040904B0), empty ones left out.
std::string VersionResource(const VersionFields& fields);

// One image of an icon file.
struct IconImage {
  uint8_t width = 0, height = 0, colours = 0;  // 0 for 256 pixels, or for 256 colours and more
  uint16_t planes = 1, bits = 32;
  std::string data;  // a BITMAPINFOHEADER with its pixels and mask, or a PNG file
};

// Reads an .ico file. False with `error` when it is none, or an image in it
// is cut short or is neither a bitmap nor a PNG image of its stated size.
bool ReadIconFile(const std::string& bytes, std::vector<IconImage>* images, std::string* error);

// Gives a program's resources this version resource (in place of every
// one it has) and, when `icon` holds images, this icon as icon group 1 (in
// place of that group and its images).
void SetIdentity(std::vector<Resource>* resources, const VersionFields& fields, const std::vector<IconImage>& icon);
