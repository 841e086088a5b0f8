// Package layout. A package is the setup stub's executable with two ZIP
// archives and an 11-byte trailer appended (integers little-endian):
//
//   offset            size      content
//   0                 image     the setup stub, unchanged
//   L-11-I-P          P         payload archive (the files to install)
//   L-11-I            I         information archive (script, texts, images)
//   L-11              4         I, 32-bit signed
//   L-7               4         P, 32-bit signed
//   L-3               3         "EOF"
//
// Example: L = 389,993 with I = 25,390 and P = 107,568 puts the payload at
// bytes 257,024 to 364,591 and the information at 364,592 to 389,981.
// Nothing but the trailer is used to find the archives. Pure logic.
#pragma once

#include <cstdint>

constexpr int kTrailerSize = 11;

enum class TrailerState {
  kWhole,       // both archives lie inside the file
  kIncomplete,  // the last three bytes are not "EOF" (or the file is shorter than the trailer)
  kCorrupted,   // a stored length is zero, negative, or points before the start of the file
};

struct PackageLayout {
  int64_t payloadOffset = 0;
  int64_t payloadLength = 0;
  int64_t infoOffset = 0;
  int64_t infoLength = 0;
};

// `tail` holds the last min(fileLength, 11) bytes of the file.
TrailerState ReadTrailer(const unsigned char* tail, int64_t fileLength, PackageLayout* layout);

// Builds the trailer for the given archive lengths (used by the package builder).
void WriteTrailer(int32_t infoLength, int32_t payloadLength, unsigned char out[kTrailerSize]);
