// Package layout. A package is the setup stub's executable with two ZIP
// archives and an 11-byte trailer appended (integers little-endian):
//
//   offset            size      content
//   0                 image     the setup stub, unchanged
//   E-11-I-P          P         payload archive (the files to install)
//   E-11-I            I         information archive (script, texts, images)
//   E-11              4         I, 32-bit signed
//   E-7               4         P, 32-bit signed
//   E-3               3         "EOF"
//
// E, where the trailer ends, is the file's length L in an unsigned package.
// Example: L = 389,993 with I = 25,390 and P = 107,568 puts the payload at
// bytes 257,024 to 364,591 and the information at 364,592 to 389,981.
//
// A signed package (Authenticode) goes on after the trailer with what the
// signing tool appends: zero bytes that align the certificate table to 8
// bytes, then the table.
//
//   E                 0 to 7    zero bytes
//   C                 S         certificate table, C + S = L
//
// C and S are the PE headers' security directory (data directory 4 of the
// optional header, two 32-bit values: file offset and size). The way to it:
// the 32-bit offset of "PE\0\0" at 0x3C (e_lfanew), then the 20-byte COFF
// header (section count at +2, optional header size at +16), then the
// optional header: magic 0x10B (PE32) or 0x20B (PE32+), SizeOfHeaders at
// +60, CheckSum at +64, the count of data directories at +92 (PE32) or +108
// (PE32+) and the directories, 8 bytes each, right after it; the section
// table follows the optional header (40 bytes a section, raw size at +16 and
// raw offset at +20). The stub's image ends where its headers and the raw
// data of its last section end.
//
// A package is signed when C or S is not zero; E is then C less the zero
// bytes right before C, at most 7 (the trailer's last byte, "F", never is
// one). A signed package is corrupted when the table does not end the file
// (bytes were added after signing, or cut off), when it begins inside the
// stub's image or leaves no room for a trailer after it, when there is no
// "EOF" right before the zero bytes (the table covers the trailer), or when
// the archives the trailer describes would begin inside the stub's image. A
// file whose PE headers are not within its first kPeHeadSize bytes, or are
// no PE headers, is taken as unsigned.
//
// Nothing but the security directory and the trailer is used to find the
// archives. Pure logic.
#pragma once

#include <cstdint>

constexpr int kTrailerSize = 11;
// How much of the file's start holds the PE headers that are read.
constexpr int kPeHeadSize = 4096;

enum class TrailerState {
  kWhole,       // both archives lie inside the file
  kIncomplete,  // the last three bytes are not "EOF" (or the file is shorter than the trailer)
  kCorrupted,   // a stored length is zero, negative, or points before the start of the file;
                // or a signed package breaks a rule above
};

struct PackageLayout {
  int64_t payloadOffset = 0;
  int64_t payloadLength = 0;
  int64_t infoOffset = 0;
  int64_t infoLength = 0;
};

// `tail` holds the last min(fileLength, 11) bytes of the file (for a signed
// package: of the bytes before E, with E as `fileLength`).
TrailerState ReadTrailer(const unsigned char* tail, int64_t fileLength, PackageLayout* layout);

// Builds the trailer for the given archive lengths (used by the package builder).
void WriteTrailer(int32_t infoLength, int32_t payloadLength, unsigned char out[kTrailerSize]);

// What the PE headers tell about the certificate table.
struct PeHeaders {
  int64_t checksumAt = 0;       // file offset of the optional header's CheckSum
  int64_t securityEntryAt = 0;  // file offset of data directory 4; 0 when the header has fewer directories
  int64_t imageEnd = 0;         // end of the headers and of the last section's raw data
  uint32_t tableOffset = 0;     // the security directory: C
  uint32_t tableSize = 0;       // and S
  uint16_t machine = 0;         // the COFF header's machine: 0x14C i386, 0x8664 x86-64
  bool Signed() const { return tableOffset != 0 || tableSize != 0; }
};

// Reads the PE headers from `head`, the first min(file length, kPeHeadSize)
// bytes of a file. False when there are none to read: no "MZ", e_lfanew
// (taken as unsigned) beyond `head`, no "PE\0\0", another magic, or headers
// and section table cut off by the end of `head`.
bool ReadPeHeaders(const unsigned char* head, int64_t length, PeHeaders* pe);

// Reads `count` bytes at `offset` of a package file into `out`; false when
// it cannot.
using ReadBytes = bool (*)(void* file, int64_t offset, unsigned char* out, int count);

// Where the trailer ends (E) in a file of `fileLength` bytes with these PE
// headers: kWhole with `*trailerEnd` set, kCorrupted when the certificate
// table breaks a rule above, kIncomplete when the file cannot be read.
TrailerState FindTrailerEnd(int64_t fileLength, const PeHeaders& pe, ReadBytes read, void* file,
                            int64_t* trailerEnd);

// The whole reading of a package file: its PE headers, the end of its
// trailer, the trailer. In a signed package a missing "EOF" is kCorrupted.
TrailerState ReadPackageLayout(int64_t fileLength, ReadBytes read, void* file, PackageLayout* layout);
// The same for a file held in memory.
TrailerState ReadPackageLayout(const unsigned char* bytes, int64_t length, PackageLayout* layout);
